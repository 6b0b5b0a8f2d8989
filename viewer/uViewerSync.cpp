#include "viewer/uViewerSync.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/uDateTime.h"
#include "model/uTimestampIndex.h"
#include "viewer/uListRows.h"
#include "viewer/uNavigate.h"
#include "viewer/uTrace.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewerRegistry.h"

namespace {

void ForgetClick(TSyncState& Sync) {
  Sync.LastClickTick = 0;
  Sync.LastClickRow = -1;
}

bool IsDoubleClick(const TSyncState& Sync, uint64_t Now, int32_t Row, int X, int Y) {
  if (Sync.LastClickTick == 0 || Row != Sync.LastClickRow) return false;
  if (Now - Sync.LastClickTick > GetDoubleClickTime()) return false;
  const int Width = std::max(1, GetSystemMetrics(SM_CXDOUBLECLK));
  const int Height = std::max(1, GetSystemMetrics(SM_CYDOUBLECLK));
  return std::abs(X - Sync.LastClickX) <= Width && std::abs(Y - Sync.LastClickY) <= Height;
}

std::string TimestampText(double Time) {
  const TDateTimeParts P = DecodeDateTime(Time);
  char Text[32];
  std::snprintf(Text, sizeof Text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", P.Year, P.Month, P.Day, P.Hour, P.Minute,
                P.Second, P.Ms);
  return Text;
}

// Cleared again however the selection ends.
class TApplyingSync {
 public:
  explicit TApplyingSync(bool& Flag) : Flag(Flag) { Flag = true; }
  ~TApplyingSync() { Flag = false; }
  TApplyingSync(const TApplyingSync&) = delete;
  TApplyingSync& operator=(const TApplyingSync&) = delete;

 private:
  bool& Flag;
};

// The registered viewers whose Sync box is on, this one among them. All viewers of the process
// live on the host's GUI thread, so their records may be read here.
std::vector<HWND> SynchronisedViewers() {
  std::vector<HWND> Viewers = RegisteredViewers();
  std::erase_if(Viewers, [](HWND Viewer) {
    const TSkerrinState* Other = StateFromWindow(Viewer);
    return !Other || !Other->Sync.SyncEnabled;
  });
  return Viewers;
}

}  // namespace

void SetSyncEnabled(TSkerrinState& S, bool On) {
  TSyncState& Sync = S.Sync;
  if (Sync.SyncEnabled == On) return;
  Sync.SyncEnabled = On;
  ForgetClick(Sync);
  TraceF("sync enabled=%d viewer=%p", On ? 1 : 0, static_cast<void*>(S.Window));
}

void NoteRowClick(TSkerrinState& S, int32_t Row, int X, int Y) {
  TSyncState& Sync = S.Sync;
  if (!Sync.SyncEnabled) return ForgetClick(Sync);
  const uint64_t Now = GetTickCount64();
  if (IsDoubleClick(Sync, Now, Row, X, Y)) {
    ForgetClick(Sync);
    TraceF("sync double-click viewer=%p visible-index=%d", static_cast<void*>(S.Window), Row);
    PublishCurrentTime(S);
    return;
  }
  Sync.LastClickTick = Now;
  Sync.LastClickRow = Row;
  Sync.LastClickX = X;
  Sync.LastClickY = Y;
}

void PublishCurrentTime(TSkerrinState& S) {
  if (!S.Sync.SyncEnabled || S.Sync.ApplyingSync || !S.Log) return;
  const int32_t Entry = EntryOfRow(S, CurrentRow(S));
  if (Entry < 0) return;
  const double Time = S.Log->List.Items[static_cast<size_t>(Entry)].Timestamp;
  if (!(Time > 0) || !std::isfinite(Time)) return;
  const TSyncPayload Payload{Time, std::trunc(Time) == 0};
  const std::vector<HWND> Targets = SynchronisedViewers();
  const HWND Own = S.Window;
  TraceF("sync publish viewer=%p raw-index=%d timestamp=%s targets=%d", static_cast<void*>(Own), Entry,
         TimestampText(Time).c_str(), static_cast<int>(Targets.size()) - 1);
  // A target runs its handling inside the send; nothing of this viewer is used afterwards.
  for (const HWND Target : Targets)
    if (Target != Own && IsWindow(Target)) SendMessageW(Target, SyncMessage, 0, reinterpret_cast<LPARAM>(&Payload));
}

void OnSyncMessage(TSkerrinState& S, const TSyncPayload& Payload) {
  if (!S.Sync.SyncEnabled || S.Sync.ApplyingSync) return;
  const int32_t Row = NearestRowInTime(S, Payload.Time, Payload.TimeOnly);
  if (Row < 0) {
    TraceF("sync target viewer=%p no timestamp match", static_cast<void*>(S.Window));
    return;
  }
  TApplyingSync Applying(S.Sync.ApplyingSync);
  SwitchFollowOff(S);
  SelectRow(S, Row, false, true, false);
  CentreRow(S, Row);
  TraceF("sync target viewer=%p selected=%d", static_cast<void*>(S.Window), Row);
}

int32_t NearestRowInTime(TSkerrinState& S, double Time, bool TimeOnly) {
  if (!S.Log) return -1;
  TTimestampIndexes& Index = S.Sync.Index;
  // The view marks its rows changed; the index is rebuilt on its next use only.
  if (S.View.TimestampIndexDirty) {
    Index.TimestampIndexDirty = true;
    S.View.TimestampIndexDirty = false;
  }
  return FindNearestRow(Index, RowsOf(S), Time, TimeOnly);
}

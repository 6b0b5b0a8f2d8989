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

namespace {

// The viewers of the process that take part. Its lock is held only to change or copy the list,
// never while a message is sent, so a viewer that handles a time cannot dead-lock another.
class TViewerRegistry {
 public:
  TViewerRegistry() { InitializeCriticalSection(&Lock); }
  ~TViewerRegistry() { DeleteCriticalSection(&Lock); }
  TViewerRegistry(const TViewerRegistry&) = delete;
  TViewerRegistry& operator=(const TViewerRegistry&) = delete;

  void Register(HWND Window) {
    TLockScope Locked(Lock);
    // Order does not matter here, so a gone window is replaced by the last one.
    for (size_t i = Windows.size(); i-- > 0;) {
      if (IsWindow(Windows[i])) continue;
      Windows[i] = Windows.back();
      Windows.pop_back();
    }
    if (std::find(Windows.begin(), Windows.end(), Window) == Windows.end()) Windows.push_back(Window);
  }

  void Unregister(HWND Window) {
    TLockScope Locked(Lock);
    std::erase_if(Windows, [Window](HWND W) { return W == Window || !IsWindow(W); });
  }

  std::vector<HWND> Copy() {
    TLockScope Locked(Lock);
    return Windows;
  }

 private:
  class TLockScope {
   public:
    explicit TLockScope(CRITICAL_SECTION& Section) : Section(Section) { EnterCriticalSection(&Section); }
    ~TLockScope() { LeaveCriticalSection(&Section); }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;

   private:
    CRITICAL_SECTION& Section;
  };

  CRITICAL_SECTION Lock;
  std::vector<HWND> Windows;
};

// Created when the library is loaded and destroyed when it is unloaded.
TViewerRegistry Registry;

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

}  // namespace

void RegisterViewer(HWND Window) { Registry.Register(Window); }

void UnregisterViewer(HWND Window) { Registry.Unregister(Window); }

std::vector<HWND> RegisteredViewers() { return Registry.Copy(); }

void SetSyncEnabled(TSkerrinState& S, bool On) {
  TSyncState& Sync = S.Sync;
  if (Sync.SyncEnabled == On) return;
  Sync.SyncEnabled = On;
  if (On) RegisterViewer(S.Window);
  else UnregisterViewer(S.Window);
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
  const int32_t Entry = VisibleToEntry(S, CurrentRow(S));
  if (Entry < 0) return;
  const double Time = S.Log->List.Items[static_cast<size_t>(Entry)].Timestamp;
  if (!(Time > 0) || !std::isfinite(Time)) return;
  const TSyncPayload Payload{Time, std::trunc(Time) == 0};
  const std::vector<HWND> Targets = RegisteredViewers();
  const HWND Own = S.Window;
  TraceF("sync publish viewer=%p raw-index=%d timestamp=%s targets=%d", static_cast<void*>(Own), Entry,
         TimestampText(Time).c_str(), static_cast<int>(Targets.size()) - 1);
  // A target runs its handling inside the send; nothing of this viewer is used afterwards.
  for (const HWND Target : Targets)
    if (Target != Own && IsWindow(Target)) SendMessageW(Target, SyncMessage, 0, reinterpret_cast<LPARAM>(&Payload));
}

void OnSyncMessage(TSkerrinState& S, const TSyncPayload& Payload) {
  if (!S.Sync.SyncEnabled || S.Sync.ApplyingSync) return;
  const int32_t Row = FindNearestRow(S, Payload.Time, Payload.TimeOnly);
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

int32_t FindNearestRow(TSkerrinState& S, double Time, bool TimeOnly) {
  if (!S.Log) return -1;
  TTimestampIndexes& Index = S.Sync.Index;
  // The view marks its rows changed; the index is rebuilt on its next use only.
  if (S.View.TimestampIndexDirty) {
    Index.TimestampIndexDirty = true;
    S.View.TimestampIndexDirty = false;
  }
  return ::FindNearestRow(Index, RowsOf(S), Time, TimeOnly);
}

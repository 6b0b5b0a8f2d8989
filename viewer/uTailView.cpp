#include "viewer/uTailView.h"

#include <windows.h>

#include "viewer/uListRows.h"
#include "viewer/uTailTimer.h"
#include "viewer/uViewLoad.h"
#include "viewer/uViewState.h"

namespace {

void SetBox(HWND Box, bool On) {
  if (Box) SendMessageW(Box, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

void TailTick(TSkerrinState& S) {
  // While the file is being loaded there is nothing to follow yet: the load's end says where
  // tail starts.
  if (!S.Tail.TailActive || S.FileName.empty() || !S.Log || S.Tail.InTailTick || LoadInProgress(S)) return;
  S.Tail.InTailTick = true;
  struct TClearFlag {
    bool& Flag;
    ~TClearFlag() { Flag = false; }
  } Clear{S.Tail.InTailTick};
  const TTailResult Result = PollTail(S.Tail.File, *S.Log, S.FileName);
  switch (Result.Change) {
    case tcReload:
      LoadAndShow(S);
      return;
    case tcAppended:
      ShowGrowth(S, TLogGrowth{Result.OldCount, Result.NewCount, Result.ChangedEntry, Result.LongestLineChanged});
      return;
    case tcNothing:
    case tcReadFailed:
      // A failed read changed nothing and is simply tried again at the next tick.
      return;
  }
}

void SetFollowing(TSkerrinState& S, bool On) {
  S.Tail.Following = On;
  S.Settings.Follow = On;
  SaveSettings(S.Settings, S.HostDark);
  SetBox(S.Bar.FollowBox, On);
  if (On && S.View.VisibleCount > 0) SelectRow(S, S.View.VisibleCount - 1, true, true, true);
}

void SetTailEnabled(TSkerrinState& S, bool On) {
  S.Settings.TailEnabled = On;
  SaveSettings(S.Settings, S.HostDark);
  SetBox(S.Bar.TailBox, On);
  if (On) StartTail(S);
  else StopTail(S);
}

void ApplyTailSettings(TSkerrinState& S) {
  S.Tail.Following = S.Settings.Follow;
  SetBox(S.Bar.FollowBox, S.Tail.Following);
  StartOrStopTail(S);
}

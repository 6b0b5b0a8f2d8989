#include "viewer/uTailTimer.h"

void StartTail(TSkerrinState& S) {
  S.Tail.TailActive = true;
  // The bytes of an unfinished last line stay: the file position already counts them, so
  // dropping them here would lose the start of that line.
  if (S.Window)
    SetTimer(S.Window, TailTimerId, static_cast<UINT>(TailIntervalRange.Clamped(S.Settings.TailIntervalMs)), nullptr);
}

void StopTail(TSkerrinState& S) {
  S.Tail.TailActive = false;
  if (S.Window) KillTimer(S.Window, TailTimerId);
}

void StartOrStopTail(TSkerrinState& S) {
  const bool On = S.Settings.TailEnabled;
  if (S.Bar.TailBox) SendMessageW(S.Bar.TailBox, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
  if (On) StartTail(S);
  else StopTail(S);
}

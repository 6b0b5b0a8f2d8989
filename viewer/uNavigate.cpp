#include "viewer/uNavigate.h"

#include <windows.h>

#include <algorithm>

#include "model/uNavigation.h"
#include "viewer/uListRows.h"
#include "viewer/uPrompt.h"
#include "viewer/uViewRows.h"

namespace {

void SelectFound(TSkerrinState& S, int32_t Row) { SelectRow(S, Row, true, true, true); }

// The rows show where the searched text stands, until the filter or the search changes.
void HighlightSearch(TSkerrinState& S, const TSearchRequest& Request) {
  S.Search.Highlight = MakeSearchNeedle(Request.Text, Request.MatchCase, Request.WholeWords);
  S.Search.Highlighting = true;
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

// A modal prompt runs a message loop, during which the host may close the viewer; afterwards
// its record may only be used when the window still holds it.
bool StillAlive(HWND Window, const TSkerrinState* S) { return Window && StateFromWindow(Window) == S; }

}  // namespace

void SwitchFollowOff(TSkerrinState& S) {
  S.Tail.Following = false;
  if (S.Bar.FollowBox) SendMessageW(S.Bar.FollowBox, BM_SETCHECK, BST_UNCHECKED, 0);
}

void SelectLevelJump(TSkerrinState& S, bool Forward, TLogLevel Level) {
  SwitchFollowOff(S);
  if (!S.Log) return;
  const int32_t Row = JumpToLevel(RowsOf(S), S.RuleCache, CurrentRow(S), Forward, Level);
  if (Row < 0) return;
  SelectRow(S, Row, false, true, true);
  CentreRow(S, Row);
}

bool LevelJumpForCommand(int32_t Command, bool& Forward, TLogLevel& Level) {
  if (Command < IdPrevError || Command > IdNextInfo) return false;
  constexpr TLogLevel Levels[3] = {lError, lWarn, lInfo};
  Level = Levels[(Command - IdPrevError) / 2];
  Forward = (Command - IdPrevError) % 2 == 1;
  return true;
}

bool JumpToLevelCommand(TSkerrinState& S, int Command) {
  bool Forward = false;
  TLogLevel Level = lError;
  if (!LevelJumpForCommand(Command, Forward, Level)) return false;
  SelectLevelJump(S, Forward, Level);
  return true;
}

bool SelectSearchMatch(TSkerrinState& S, std::string_view Text, bool MatchCase, bool WholeWords, bool Backwards,
                       bool FindNext) {
  if (!S.Log) return false;
  TSearchRequest Request;
  Request.Text = Text;
  Request.MatchCase = MatchCase;
  Request.WholeWords = WholeWords;
  Request.Backwards = Backwards;
  Request.FindNext = FindNext;
  HighlightSearch(S, Request);
  const int32_t Row = SearchText(RowsOf(S), CurrentRow(S), Request);
  if (Row < 0) return false;
  SelectFound(S, Row);
  return true;
}

bool RepeatLastSearch(TSkerrinState& S, bool Backwards) {
  const TSearchMemory& Last = S.Search;
  if (Last.LastSearchText.empty()) return false;
  const TSearchRequest R = RepeatSearchRequest(Last.LastSearchText, Last.LastSearchFlags, Backwards);
  return SelectSearchMatch(S, R.Text, R.MatchCase, R.WholeWords, R.Backwards, R.FindNext);
}

void SelectLineNumber(TSkerrinState& S, int32_t Number) {
  SwitchFollowOff(S);
  if (!S.Log || Number <= 0) return;
  const int32_t Row = GoToLine(RowsOf(S), Number);
  if (Row >= 0) SelectFound(S, Row);
}

void PromptGoToLine(TSkerrinState& S) {
  const HWND Window = S.Window;
  std::u16string Text;
  const bool Confirmed = PromptText(Window, L"Go to line", L"Line number:", u"", Text);
  if (!StillAlive(Window, &S) || !Confirmed) return;
  int32_t Number = 0;
  if (ParseLineNumber(std::u16string_view(Text), Number)) SelectLineNumber(S, Number);
}

void PromptGoToDateTime(TSkerrinState& S) {
  const HWND Window = S.Window;
  double Time = 0;
  const bool Confirmed = PromptDateTime(Window, Time);
  if (!StillAlive(Window, &S) || !Confirmed) return;
  SwitchFollowOff(S);
  if (!S.Log) return;
  const int32_t Row = GoToDateTime(RowsOf(S), Time);
  if (Row >= 0) SelectFound(S, Row);
}

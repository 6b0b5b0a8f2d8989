#include "viewer/uNavigate.h"

#include <windows.h>

#include <algorithm>

#include "viewer/uPrompt.h"
#include "viewer/uViewState.h"
#include "viewer/uWin32LogWindow.h"

namespace {

void SelectFound(TSkerrinState& S, int32_t Row) { SelectRow(S, Row, true, true, true); }

// A modal prompt runs a message loop, during which the host may close the viewer; afterwards
// its record may only be used when the window still holds it.
bool StillAlive(HWND Window, const TSkerrinState* S) { return Window && StateFromWindow(Window) == S; }

}  // namespace

TVisibleRows RowsOf(const TSkerrinState& S) { return {S.Log->List, S.AllVisible, S.Visible, S.VisibleCount}; }

std::vector<int32_t> SelectedRows(const TSkerrinState& S) {
  std::vector<int32_t> Rows;
  if (!S.ListWindow || S.VisibleCount <= 0) return Rows;
  if (S.WrapViewActive) {
    const int32_t End = std::min<int32_t>(S.VisibleCount, static_cast<int32_t>(S.WrapSelection.size()));
    for (int32_t Row = 0; Row < End; ++Row)
      if (S.WrapSelection[static_cast<size_t>(Row)]) Rows.push_back(Row);
    return Rows;
  }
  const auto Count = static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETSELCOUNT, 0, 0));
  if (Count <= 0) return Rows;
  Rows.resize(static_cast<size_t>(Count));
  const auto Got = static_cast<int32_t>(
      SendMessageW(S.ListWindow, LB_GETSELITEMS, static_cast<WPARAM>(Count), reinterpret_cast<LPARAM>(Rows.data())));
  Rows.resize(static_cast<size_t>(Got > 0 ? Got : 0));
  return Rows;
}

void SwitchFollowOff(TSkerrinState& S) {
  S.Following = false;
  if (S.FollowBox) SendMessageW(S.FollowBox, BM_SETCHECK, BST_UNCHECKED, 0);
}

void JumpToLevel(TSkerrinState& S, bool Forward, TLogLevel Level) {
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
  JumpToLevel(S, Forward, Level);
  return true;
}

bool SearchText(TSkerrinState& S, std::string_view Text, bool MatchCase, bool WholeWords, bool Backwards,
                bool FindNext) {
  if (!S.Log) return false;
  TSearchRequest Request;
  Request.Text = Text;
  Request.MatchCase = MatchCase;
  Request.WholeWords = WholeWords;
  Request.Backwards = Backwards;
  Request.FindNext = FindNext;
  const int32_t Row = SearchText(RowsOf(S), CurrentRow(S), Request);
  if (Row < 0) return false;
  SelectFound(S, Row);
  return true;
}

bool RepeatLastSearch(TSkerrinState& S, bool Backwards) {
  if (S.LastSearchText.empty()) return false;
  const TSearchRequest R = RepeatSearchRequest(S.LastSearchText, S.LastSearchFlags, Backwards);
  return SearchText(S, R.Text, R.MatchCase, R.WholeWords, R.Backwards, R.FindNext);
}

void GoToLine(TSkerrinState& S, int32_t Number) {
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
  if (ParseLineNumber(std::u16string_view(Text), Number)) GoToLine(S, Number);
}

void GoToDateTime(TSkerrinState& S) {
  const HWND Window = S.Window;
  double Time = 0;
  const bool Confirmed = PromptDateTime(Window, Time);
  if (!StillAlive(Window, &S) || !Confirmed) return;
  SwitchFollowOff(S);
  if (!S.Log) return;
  const int32_t Row = GoToDateTime(RowsOf(S), Time);
  if (Row >= 0) SelectFound(S, Row);
}

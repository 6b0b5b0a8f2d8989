#include "viewer/uHostCommands.h"

#include "model/uNavigation.h"
#include "viewer/uClipboard.h"
#include "viewer/uListRows.h"
#include "viewer/uNavigate.h"
#include "viewer/uViewChoices.h"

bool HostCommand(TSkerrinState& S, int32_t Command, int32_t Parameter) {
  if (!S.ListWindow) return false;
  switch (Command) {
    case lc_copy:
      return CopySelection(S);
    case lc_newparams:
      ApplyHostShowFlags(S, Parameter);
      return true;
    case lc_selectall:
      SelectAll(S);
      return true;
    case lc_setpercent:
      if (S.View.VisibleCount > 0) SetTopRow(S, RowAtPercent(S.View.VisibleCount, Parameter));
      return true;
    default:
      return true;
  }
}

bool HostSearchText(TSkerrinState& S, const std::string& Text, int32_t Flags) {
  if (!S.ListWindow) return false;
  // An empty text repeats the last one, with the flags given now.
  if (!Text.empty()) S.Search.LastSearchText = Text;
  if (S.Search.LastSearchText.empty()) return false;
  S.Search.LastSearchFlags = Flags;
  const TSearchRequest R = SearchRequestFromHostFlags(S.Search.LastSearchText, Flags);
  return SelectSearchMatch(S, R.Text, R.MatchCase, R.WholeWords, R.Backwards, R.FindNext);
}

bool HostSearchDialog(TSkerrinState& S, bool FindNext) { return RepeatLastSearch(S, !FindNext); }

#include "viewer/uViewChoices.h"

#include "model/uLineEncoding.h"
#include "model/uViewFilter.h"
#include "viewer/uHostWindow.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewState.h"
#include "viewer/uViewerLayout.h"

namespace {

void ShowLevels(TSkerrinState& S, TLevelSet Levels) {
  if (Levels == S.Filter.ShownLevels) return;
  const TViewPlace Place = NoteViewPlace(S);
  S.Filter.ShownLevels = Levels;
  RebuildKeepingPlace(S, Place);
}

// The rows are built again when the code page in force changed: what matches the filter and the
// colour rules, and how high wrapped rows are, may differ in another page.
void RebuildForCodePage(TSkerrinState& S, TCodePage Before) {
  if (LineCodePageOf(S) == Before) return;
  RebuildKeepingPlace(S, NoteViewPlace(S));
}

}  // namespace

void ToggleShownLevel(TSkerrinState& S, TLogLevel Level) {
  ShowLevels(S, static_cast<TLevelSet>(S.Filter.ShownLevels ^ LevelBit(Level)));
}

void ShowOnlyLevel(TSkerrinState& S, TLogLevel Level) { ShowLevels(S, ToggleOnlyLevel(S.Filter.ShownLevels, Level)); }

void ChooseEncoding(TSkerrinState& S, int32_t Choice) {
  if (Choice < 0 || Choice >= EncodingChoiceCount || Choice == S.EncodingChoice) return;
  const TCodePage Before = LineCodePageOf(S);
  S.EncodingChoice = Choice;
  RebuildForCodePage(S, Before);
}

void ApplyHostShowFlags(TSkerrinState& S, int32_t Flags) {
  const TCodePage Before = LineCodePageOf(S);
  S.ShowFlags = Flags;
  SetHostTheme(S, (Flags & lcp_darkmode) != 0, (Flags & lcp_darkmodenative) != 0);
  RebuildForCodePage(S, Before);
}

bool ViewChoiceCommand(TSkerrinState& S, int Id) {
  if (Id >= IdMenuShowFirst && Id <= IdMenuShowLast) {
    ToggleShownLevel(S, static_cast<TLogLevel>(Id - IdMenuShowFirst));
    return true;
  }
  if (Id >= IdMenuEncodingFirst && Id < IdMenuEncodingFirst + EncodingChoiceCount) {
    ChooseEncoding(S, Id - IdMenuEncodingFirst);
    return true;
  }
  return false;
}

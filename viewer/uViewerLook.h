#pragma once
// The viewer's light or dark look: the decision for this viewer (the settings' one rule, with
// this viewer's own report from the host), its colour scheme, the colours of the list and of the
// toolbar strip, and the brushes made from them.

#include "settings/uSettings.h"
#include "viewer/uSkerrinState.h"

bool ViewerIsDark(const TSkerrinState& S);
// The colour scheme in force for this viewer.
const TColorScheme& ViewerScheme(const TSkerrinState& S);
TColor ListBackColor(const TSkerrinState& S);
TColor ListTextColor(const TSkerrinState& S);
TColor BarBackColor(const TSkerrinState& S);
TColor BarTextColor(const TSkerrinState& S);
// ListBrush and BarBrush anew in the current colours, and FieldBrush when there is none.
void RefreshBrushes(TSkerrinState& S);

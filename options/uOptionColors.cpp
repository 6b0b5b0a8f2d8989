#include "options/uOptionColors.h"

#include <commdlg.h>

#include <string>

#include "platform/uPlatformWide.h"
#include "settings/uSettingsEdit.h"

namespace {

const wchar_t* const RowNames[SchemeRows] = {L"Default:", L"ERROR:", L"WARN:",  L"INFO:",
                                             L"DEBUG:",   L"TRACE:", L"Custom:"};

std::wstring Labelled(const wchar_t* Prefix, TColor Color) { return Prefix + WideFromUtf8(ColorText(Color)); }

void Repaint(HWND Control) {
  if (Control) InvalidateRect(Control, nullptr, TRUE);
}

HWND Control(const TOptionsState& S, int Id) { return OptionControl(S, Id); }

int RuleSelection(const TOptionsState& S) {
  return static_cast<int>(SendMessageW(Control(S, IdRuleList), LB_GETCURSEL, 0, 0));
}

void SelectRule(TOptionsState& S, int Index) {
  SendMessageW(Control(S, IdRuleList), LB_SETCURSEL, Index, 0);
  LoadRuleEditor(S, Index);
}

// The editor starts empty, as for a new enabled rule in the colours of the scheme in force.
void ResetRuleEditor(TOptionsState& S) {
  SetWindowTextW(Control(S, IdRulePattern), L"");
  SetOptionChecked(S, IdRuleEnabled, true);
  SetOptionChecked(S, IdRuleUseLevel, false);
  SendMessageW(Control(S, IdRuleLevel), CB_SETCURSEL, lCustom, 0);
  SetOptionChecked(S, IdRuleFgAuto, true);
  S.RuleBg = S.Settings.Colors.BgColor;
  S.RuleFg = AutoColor;
  RefreshRuleEditor(S);
}

void PickSchemeColor(TOptionsState& S, int Row, bool Foreground) {
  TColorScheme& Scheme = EditedScheme(S.Settings, ComboSelection(Control(S, IdSchemeChoice)));
  TColor& Color = SchemeRowColor(Scheme, Row, Foreground);
  if (const auto Picked = PickColor(S.Wnd, Color)) {
    Color = *Picked;
    RefreshColorsPage(S);
  }
}

void PickViewColor(TOptionsState& S, TColor& Color) {
  if (const auto Picked = PickColor(S.Wnd, Color)) {
    Color = *Picked;
    RefreshViewColors(S);
  }
}

void AddRule(TOptionsState& S) {
  const auto Rule = ReadRuleEditor(S);
  if (!Rule || !AddColorRule(S.Settings, *Rule)) return;
  RefreshRuleList(S);
  SelectRule(S, S.Settings.ColorRuleCount - 1);
}

void UpdateRule(TOptionsState& S) {
  const int Selected = RuleSelection(S);
  const auto Rule = ReadRuleEditor(S);
  if (!Rule || !ReplaceColorRule(S.Settings, Selected, *Rule)) return;
  RefreshRuleList(S);
  SelectRule(S, Selected);
}

void DeleteRule(TOptionsState& S) {
  const int Before = S.Settings.ColorRuleCount;
  const int Next = DeleteColorRule(S.Settings, RuleSelection(S));
  if (S.Settings.ColorRuleCount == Before) return;
  RefreshRuleList(S);
  if (Next >= 0) {
    SelectRule(S, Next);
  } else {
    SetWindowTextW(Control(S, IdRulePattern), L"");
    RefreshRuleEditor(S);
  }
}

}  // namespace

std::optional<TColor> PickColor(HWND Owner, TColor Initial) {
  COLORREF Custom[16] = {};
  CHOOSECOLORW Choose{};
  Choose.lStructSize = sizeof(Choose);
  Choose.hwndOwner = Owner;
  Choose.rgbResult = static_cast<COLORREF>(Initial) & 0xFFFFFF;
  Choose.lpCustColors = Custom;
  Choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorW(&Choose)) return std::nullopt;
  return static_cast<TColor>(Choose.rgbResult);
}

void CreateColorsPage(TOptionsState& S, HWND Page) {
  AddOptionControl(S, Page, TControlKind::Static, -1, L"Edit colors for:", 10, 12, 100, 20);
  AddOptionControl(S, Page, TControlKind::ListCombo, IdSchemeChoice, nullptr, 110, 10, 150, 140);
  for (int R = 0; R < SchemeRows; ++R) {
    const int Y = 42 + 28 * R;
    AddOptionControl(S, Page, TControlKind::Static, -1, RowNames[R], 10, Y + 4, 60, 20);
    AddOptionControl(S, Page, TControlKind::Button, IdSchemeBgButton + R, L"BG", 74, Y, 98, 24);
    AddOptionControl(S, Page, TControlKind::Swatch, IdSchemeBgSwatch + R, nullptr, 176, Y + 2, 22, 20);
    AddOptionControl(S, Page, TControlKind::Button, IdSchemeFgButton + R, L"FG", 212, Y, 98, 24);
    AddOptionControl(S, Page, TControlKind::Swatch, IdSchemeFgSwatch + R, nullptr, 314, Y + 2, 22, 20);
  }
}

void CreateColorRulesPage(TOptionsState& S, HWND Page) {
  AddOptionControl(S, Page, TControlKind::ListBox, IdRuleList, nullptr, 10, 10, 374, 110);
  AddOptionControl(S, Page, TControlKind::Static, -1, L"Pattern:", 10, 128, 56, 20);
  AddOptionControl(S, Page, TControlKind::Edit, IdRulePattern, nullptr, 70, 126, 314, 22);
  AddOptionControl(S, Page, TControlKind::Check, IdRuleEnabled, L"Enabled", 10, 154, 80, 20);
  AddOptionControl(S, Page, TControlKind::Check, IdRuleUseLevel, L"Use level", 100, 154, 90, 20);
  HWND Level = AddOptionControl(S, Page, TControlKind::ListCombo, IdRuleLevel, nullptr, 196, 152, 112, 120);
  AddComboEntries(Level, {L"ERROR", L"WARN", L"INFO", L"DEBUG", L"TRACE", L"Custom"});
  SendMessageW(Level, CB_SETCURSEL, lCustom, 0);
  AddOptionControl(S, Page, TControlKind::Check, IdRuleFgAuto, L"FG auto", 316, 154, 68, 20);
  AddOptionControl(S, Page, TControlKind::Button, IdRuleBg, L"BG", 70, 180, 120, 24);
  AddOptionControl(S, Page, TControlKind::Button, IdRuleFg, L"FG", 196, 180, 120, 24);
  AddOptionControl(S, Page, TControlKind::Button, IdRuleAdd, L"Add", 10, 212, 90, 24);
  AddOptionControl(S, Page, TControlKind::Button, IdRuleUpdate, L"Update", 106, 212, 90, 24);
  AddOptionControl(S, Page, TControlKind::Button, IdRuleDelete, L"Delete", 202, 212, 90, 24);
  AddOptionControl(S, Page, TControlKind::Check, IdUserRulesOnly, L"Use user rules only (disable default levels)", 10,
                   252, 374, 24);
}

void RefreshViewColors(TOptionsState& S) {
  SetWindowTextW(Control(S, IdWindowBgButton), Labelled(L"Window BG ", S.Settings.WindowBgColor).c_str());
  SetWindowTextW(Control(S, IdBarDarkButton), Labelled(L"Bar Darkmode ", S.Settings.BarDarkModeColor).c_str());
  Repaint(Control(S, IdWindowBgSwatch));
  Repaint(Control(S, IdBarDarkSwatch));
}

void RefreshColorsPage(TOptionsState& S) {
  TColorScheme& Scheme = EditedScheme(S.Settings, ComboSelection(Control(S, IdSchemeChoice)));
  for (int R = 0; R < SchemeRows; ++R) {
    S.SwatchBg[R] = SchemeRowColor(Scheme, R, false);
    S.SwatchFg[R] = SchemeRowColor(Scheme, R, true);
    SetWindowTextW(Control(S, IdSchemeBgButton + R), Labelled(L"BG ", S.SwatchBg[R]).c_str());
    SetWindowTextW(Control(S, IdSchemeFgButton + R), Labelled(L"FG ", S.SwatchFg[R]).c_str());
    Repaint(Control(S, IdSchemeBgSwatch + R));
    Repaint(Control(S, IdSchemeFgSwatch + R));
  }
}

void RefreshRuleList(TOptionsState& S) {
  HWND List = Control(S, IdRuleList);
  if (!List) return;
  SendMessageW(List, LB_RESETCONTENT, 0, 0);
  for (int I = 0; I < S.Settings.ColorRuleCount && I < MaxColorRules; ++I) {
    const std::wstring Line = WideFromUtf8(RuleListText(S.Settings.ColorRules[I]));
    SendMessageW(List, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Line.c_str()));
  }
}

void LoadRuleEditor(TOptionsState& S, int Index) {
  if (Index < 0 || Index >= S.Settings.ColorRuleCount || Index >= MaxColorRules) return;
  const TColorStringRule& Rule = S.Settings.ColorRules[Index];
  SetControlText(Control(S, IdRulePattern), Rule.Pattern);
  SetOptionChecked(S, IdRuleEnabled, Rule.Enabled);
  SetOptionChecked(S, IdRuleUseLevel, Rule.UseLevel);
  S.RuleBg = Rule.Color;
  S.RuleFg = Rule.FgColor;
  SendMessageW(Control(S, IdRuleLevel), CB_SETCURSEL, Rule.Level, 0);
  SetOptionChecked(S, IdRuleFgAuto, Rule.FgColor == AutoColor);
  RefreshRuleEditor(S);
}

std::optional<TColorStringRule> ReadRuleEditor(const TOptionsState& S) {
  TRuleEditorValues Editor;
  Editor.Pattern = ControlTextUtf8(Control(S, IdRulePattern));
  Editor.Enabled = IsOptionChecked(S, IdRuleEnabled);
  Editor.UseLevel = IsOptionChecked(S, IdRuleUseLevel);
  Editor.FgAuto = IsOptionChecked(S, IdRuleFgAuto);
  Editor.Bg = S.RuleBg;
  Editor.Fg = S.RuleFg;
  Editor.LevelSelection = ComboSelection(Control(S, IdRuleLevel));
  return RuleFromEditor(Editor);
}

void RefreshRuleEditor(TOptionsState& S) {
  SetWindowTextW(Control(S, IdRuleBg), Labelled(L"BG ", S.RuleBg).c_str());
  SetWindowTextW(Control(S, IdRuleFg), S.RuleFg == AutoColor ? L"FG Auto" : Labelled(L"FG ", S.RuleFg).c_str());
  const TRuleEditorStates States =
      RuleEditorStates(IsOptionChecked(S, IdRuleUseLevel), IsOptionChecked(S, IdRuleFgAuto));
  SetControlEnabled(Control(S, IdRuleBg), States.BgButton);
  SetControlEnabled(Control(S, IdRuleFg), States.FgButton);
  SetControlEnabled(Control(S, IdRuleFgAuto), States.FgAutoBox);
  SetControlEnabled(Control(S, IdRuleLevel), States.LevelCombo);
  for (int Id : {IdRuleBg, IdRuleFg, IdRuleFgAuto, IdRuleLevel}) Repaint(Control(S, Id));
}

void LoadColorControls(TOptionsState& S) {
  RefreshViewColors(S);
  HWND Choice = Control(S, IdSchemeChoice);
  AddComboEntries(Choice, {L"Light theme", L"Dark theme"});
  // Every opening starts with the light scheme.
  SendMessageW(Choice, CB_SETCURSEL, 0, 0);
  RefreshColorsPage(S);
  SetOptionChecked(S, IdUserRulesOnly, S.Settings.DisableDefaultLevels);
  RefreshRuleList(S);
  if (S.Settings.ColorRuleCount > 0) SelectRule(S, 0);
  else ResetRuleEditor(S);
}

bool HandleColorCommand(TOptionsState& S, int Id, int Notification) {
  const bool Click = Notification == BN_CLICKED;
  if (Id == IdWindowBgButton || Id == IdBarDarkButton) {
    if (Click) PickViewColor(S, Id == IdWindowBgButton ? S.Settings.WindowBgColor : S.Settings.BarDarkModeColor);
  } else if (Id >= IdSchemeBgButton && Id < IdSchemeBgButton + SchemeRows) {
    if (Click) PickSchemeColor(S, Id - IdSchemeBgButton, false);
  } else if (Id >= IdSchemeFgButton && Id < IdSchemeFgButton + SchemeRows) {
    if (Click) PickSchemeColor(S, Id - IdSchemeFgButton, true);
  } else if (Id == IdSchemeChoice) {
    if (Notification == CBN_SELCHANGE) RefreshColorsPage(S);
  } else if (Id == IdRuleList) {
    if (Notification == LBN_SELCHANGE) LoadRuleEditor(S, RuleSelection(S));
  } else if (Id == IdRuleAdd) {
    if (Click) AddRule(S);
  } else if (Id == IdRuleUpdate || Id == IdRuleEnabled) {
    if (!Click) return true;
    // Enabled toggles first, and then, like Update, applies the whole editor to the rule.
    if (Id == IdRuleEnabled) SetOptionChecked(S, IdRuleEnabled, !IsOptionChecked(S, IdRuleEnabled));
    UpdateRule(S);
  } else if (Id == IdRuleDelete) {
    if (Click) DeleteRule(S);
  } else if (Id == IdRuleBg) {
    if (!Click) return true;
    if (const auto Picked = PickColor(S.Wnd, S.RuleBg)) {
      S.RuleBg = *Picked;
      RefreshRuleEditor(S);
    }
  } else if (Id == IdRuleFg) {
    if (!Click) return true;
    if (const auto Picked = PickColor(S.Wnd, S.RuleFg == AutoColor ? S.Settings.Colors.FgColor : S.RuleFg)) {
      S.RuleFg = *Picked;
      SetOptionChecked(S, IdRuleFgAuto, false);
      RefreshRuleEditor(S);
    }
  } else if (Id == IdRuleUseLevel || Id == IdRuleFgAuto || Id == IdUserRulesOnly) {
    if (!Click) return true;
    SetOptionChecked(S, Id, !IsOptionChecked(S, Id));
    if (Id != IdUserRulesOnly) RefreshRuleEditor(S);
  } else {
    return false;
  }
  return true;
}

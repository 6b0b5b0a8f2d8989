#include "viewer/uLineRender.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "model/uLogFilter.h"
#include "model/uStatusText.h"
#include "platform/uPlatformWide.h"
#include "platform/uTextCodec.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"

namespace {

constexpr TColor SelectedBack = 0xD77800;
constexpr TColor SelectedText = 0xFFFFFF;
// Pixels, unscaled: the text's distance from the row's left edge, the gap after the gutter of a
// wrapped row, and the room kept free at the right of wrapped text.
constexpr int TextIndent = 4;
constexpr int WrappedGutterGap = 6;
constexpr int WrappedRightMargin = 2;

TColor Blend(TColor Back, TColor Fore) {
  auto Channel = [&](int Shift) { return ((2 * ((Back >> Shift) & 0xFF) + ((Fore >> Shift) & 0xFF)) / 3) << Shift; };
  return Channel(0) | Channel(8) | Channel(16);
}

// The line number right-aligned in Digits characters, into Out (no allocation once grown).
void AppendPaddedNumber(std::u16string& Out, int32_t Number, int Digits) {
  char16_t Buffer[16];
  int Length = 0;
  uint32_t Value = Number < 0 ? 0u : static_cast<uint32_t>(Number);
  do {
    Buffer[Length++] = static_cast<char16_t>(u'0' + Value % 10);
    Value /= 10;
  } while (Value);
  for (int I = Length; I < Digits; ++I) Out.push_back(u' ');
  while (Length) Out.push_back(Buffer[--Length]);
}

HDC MeasuringDC(TSkerrinState& S) {
  TDrawResources& D = S.Draw;
  if (!D.MeasureDC) {
    D.MeasureDC.Reset(CreateCompatibleDC(nullptr));
    if (D.MeasureDC && S.Fonts.Font) D.MeasureDCFontBefore = SelectObject(D.MeasureDC.Get(), S.Fonts.Font.Get());
  }
  return D.MeasureDC.Get();
}

// Left edge of a wrapped row's text, after the gutter when line numbers are shown.
int WrappedTextLeft(const TSkerrinState& S) {
  return S.Settings.ShowLineNumbers ? (LineNumberDigits(S) + 1) * S.Metrics.CharWidth + WrappedGutterGap : TextIndent;
}

// An empty view after a failed load says why, where the lines would be.
void DrawLoadFailure(TSkerrinState& S, HDC DC, const RECT& Client) {
  if (S.View.VisibleCount > 0 || !S.Log || S.Log->LoadError == leNone) return;
  const std::u16string Text = Utf8ToUtf16(LoadFailureText(S.FileName, LoadErrorText(*S.Log)));
  TSelectScope Select(DC, S.Fonts.Font.Get());
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, static_cast<COLORREF>(ListTextColor(S)));
  RECT R{Client.left + TextIndent, Client.top + TextIndent, Client.right - TextIndent, Client.bottom};
  DrawTextW(DC, AsWide(Text), static_cast<int>(Text.size()), &R, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

}  // namespace

void PaintRows(TSkerrinState& S, HWND List, HDC WindowDC, bool Wrapped) {
  RECT Client{};
  GetClientRect(List, &Client);
  const int W = Client.right, H = Client.bottom;
  if (W <= 0 || H <= 0) return;
  TDoubleBuffer Buffer(WindowDC, W, H);
  const HDC DC = Buffer.Target();
  TBrushCache Brushes;
  const auto Back = static_cast<COLORREF>(ListBackColor(S));
  FillRect(DC, &Client, Brushes.Get(Back));
  if (S.View.VisibleCount > 0 && S.Rows) {
    TRowControl& Rows = *S.Rows;
    const TPageLayout Page = ComputePageLayout(S, H);
    const int Offset = Rows.HorizontalOffset();
    int Y = Page.FirstY;
    for (int32_t Row = Page.FirstRow; Y < H && Row < S.View.VisibleCount; ++Row) {
      const int Height = Rows.RowHeight(Row);
      DRAWITEMSTRUCT Item{};
      Item.CtlType = ODT_LISTBOX;
      Item.CtlID = IdList;
      Item.itemID = static_cast<UINT>(Row);
      Item.itemAction = ODA_DRAWENTIRE;
      Item.itemState = Rows.DrawnSelected(Row) ? ODS_SELECTED : 0;
      Item.hwndItem = List;
      Item.hDC = DC;
      // The last row may be cut by the bottom edge; its rectangle stays whole so that its text
      // keeps its place, and the buffer's edge clips it.
      Item.rcItem = RECT{-Offset, Y, W, Y + Height};
      DrawRow(S, Item, Brushes, Wrapped);
      Y += Height;
    }
    if (Y < H) {
      const RECT Rest{0, std::max(0, Y), W, H};
      FillRect(DC, &Rest, Brushes.Get(Back));
    }
  } else {
    DrawLoadFailure(S, DC, Client);
  }
  Buffer.Present();
}

void CreateLineFont(TSkerrinState& S) {
  const std::wstring Face = WideFromUtf8(S.Settings.FontName);
  HFONT NewFont = CreateFontW(-MulDiv(S.Settings.FontSize, S.Metrics.Dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              FIXED_PITCH | FF_MODERN, Face.c_str());
  // The measuring DC must let go of the old font before it is deleted.
  TDrawResources& D = S.Draw;
  if (D.MeasureDC) {
    if (D.MeasureDCFontBefore) SelectObject(D.MeasureDC.Get(), D.MeasureDCFontBefore);
    D.MeasureDCFontBefore = NewFont ? SelectObject(D.MeasureDC.Get(), NewFont) : nullptr;
  }
  S.Fonts.Font.Reset(NewFont);
}

int LineNumberDigits(const TSkerrinState& S) {
  int32_t Count = S.Log ? S.Log->List.Count : 0;
  if (Count < 1) Count = 1;
  int Digits = 0;
  for (int32_t V = Count; V > 0; V /= 10) ++Digits;
  return std::max<int>(Digits, S.Settings.LineNumWidth);
}

std::wstring PaddedLineNumber(int32_t LineNumber, int Digits) {
  std::u16string Out;
  AppendPaddedNumber(Out, LineNumber, Digits);
  return std::wstring(Out.begin(), Out.end());
}

void RowColors(TSkerrinState& S, int32_t Row, TLogLevel& Level, TColor& Background, TColor& Foreground) {
  const TColorScheme& Scheme = ViewerScheme(S);
  const int32_t Entry = EntryOfRow(S, Row);
  Level = Entry >= 0 ? LevelOfEntry(S, Entry) : lCustom;
  Background = Scheme.Levels[Level].Bg;
  Foreground = Scheme.Levels[Level].Fg;
  if (Entry < 0) return;
  const int32_t Rule = RuleOfEntry(S, Entry);
  if (Rule < 0 || Rule >= MaxColorRules) return;
  const TColorStringRule& R = S.RuleCache.Rules[Rule];
  if (R.UseLevel && R.Level >= 0 && R.Level < LogLevelCount) {
    Level = R.Level;
    Background = Scheme.Levels[Level].Bg;
    Foreground = Scheme.Levels[Level].Fg;
  } else if (!R.UseLevel) {
    Background = R.Color;
    if (R.FgColor != AutoColor) Foreground = R.FgColor;
  }
}

void DrawRow(TSkerrinState& S, const DRAWITEMSTRUCT& Item, TBrushCache& Brushes, bool Wrapped) {
  const auto Row = static_cast<int32_t>(Item.itemID);
  const int32_t Entry = EntryOfRow(S, Row);
  if (Entry < 0) return;
  TLogLevel Level;
  TColor Back, Fore;
  RowColors(S, Row, Level, Back, Fore);
  if (Item.itemState & ODS_SELECTED) {
    Back = SelectedBack;
    Fore = SelectedText;
  }
  const HDC DC = Item.hDC;
  const RECT& R = Item.rcItem;
  TSavedDC Saved(DC);
  IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
  FillRect(DC, &R, Brushes.Get(static_cast<COLORREF>(Back)));
  const bool Numbers = S.Settings.ShowLineNumbers;
  const int Digits = LineNumberDigits(S);
  const int CharWidth = S.Metrics.CharWidth;
  if (Numbers) {
    const int X = std::clamp<int>(R.left + TextIndent + (Digits + 1) * CharWidth, R.left, R.right);
    const RECT Separator{X, R.top, X + 1, R.bottom};
    FillRect(DC, &Separator, Brushes.Get(static_cast<COLORREF>(Blend(Back, Fore))));
  }
  SetTextColor(DC, static_cast<COLORREF>(Fore));
  SetBkMode(DC, TRANSPARENT);
  if (S.Fonts.Font) SelectObject(DC, S.Fonts.Font.Get());
  const std::string_view Bytes = EntryBytes(S, Entry);
  const int32_t LineNumber = S.Log->List.Items[static_cast<size_t>(Entry)].LineNumber;
  std::u16string& Line = S.Draw.LineBuffer;
  std::u16string& Text = S.Draw.DrawBuffer;
  DecodeLineBytes(Bytes, Line);
  if (!Wrapped) {
    Text.clear();
    if (Numbers) {
      AppendPaddedNumber(Text, LineNumber, Digits);
      Text += u"  ";
    }
    Text += Line;
    if (Text.empty()) return;
    RECT Box = R;
    Box.left += TextIndent;
    DrawTextW(DC, AsWide(Text), static_cast<int>(Text.size()), &Box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    return;
  }
  RECT Box{R.left + TextIndent, R.top + 1, R.right - WrappedRightMargin, R.bottom};
  if (Numbers) {
    Text.clear();
    AppendPaddedNumber(Text, LineNumber, Digits);
    Text += u" ";
    TextOutW(DC, R.left + TextIndent, R.top + 1, AsWide(Text), static_cast<int>(Text.size()));
    Box.left = R.left + WrappedTextLeft(S);
  }
  const UINT Flags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_LEFT;
  if (!Line.empty()) DrawTextW(DC, AsWide(Line), static_cast<int>(Line.size()), &Box, Flags);
  else if (!Bytes.empty()) DrawTextA(DC, Bytes.data(), static_cast<int>(Bytes.size()), &Box, Flags);
}

TPageLayout ComputePageLayout(TSkerrinState& S, int H) {
  const int32_t Count = S.View.VisibleCount;
  if (!S.Rows) return {0, 0};
  TRowControl& Rows = *S.Rows;
  int32_t Top = std::clamp<int32_t>(Rows.TopRow(), 0, std::max(0, Count - 1));
  const bool TopIsZero = Top == 0;
  int64_t Sum = 0;
  for (int32_t Row = Top; Row < Count && Sum < H; ++Row) Sum += Rows.RowHeight(Row);
  while (Sum < H && Top > 0) Sum += Rows.RowHeight(--Top);
  const int FirstY = (!TopIsZero && Sum > H) ? static_cast<int>(H - Sum) : 0;
  return {Top, FirstY};
}

int MeasureWrappedRow(TSkerrinState& S, int32_t Entry, int Width) {
  const int RowHeight = S.Metrics.RowHeight;
  const std::string_view Bytes = EntryBytes(S, Entry);
  if (std::none_of(Bytes.begin(), Bytes.end(), [](char C) { return static_cast<unsigned char>(C) > 32; }))
    return RowHeight;
  const int Left = WrappedTextLeft(S);
  const int TextWidth = Width - Left > 9 ? Width - Left - WrappedRightMargin : 8;
  std::u16string& Line = S.Draw.LineBuffer;
  DecodeLineBytes(Bytes, Line);
  RECT Box{0, 0, TextWidth, 0};
  HDC DC = MeasuringDC(S);
  const UINT Flags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_LEFT | DT_CALCRECT;
  if (DC) {
    if (!Line.empty()) DrawTextW(DC, AsWide(Line), static_cast<int>(Line.size()), &Box, Flags);
    else DrawTextA(DC, Bytes.data(), static_cast<int>(Bytes.size()), &Box, Flags);
  } else {
    TWindowDC Fallback(S.ListWindow);
    TSelectScope Select(Fallback.Get(), S.Fonts.Font.Get());
    DrawTextW(Fallback.Get(), AsWide(Line), static_cast<int>(Line.size()), &Box, Flags);
  }
  return std::max<int>(RowHeight, Box.bottom - Box.top + 2);
}

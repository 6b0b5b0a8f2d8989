#include "viewer/uLineRender.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

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

// The width wrapped text is broken to in a list of ClientWidth pixels.
int WrappedTextWidth(const TSkerrinState& S, int ClientWidth) {
  const int Left = WrappedTextLeft(S);
  return ClientWidth - Left > 9 ? ClientWidth - Left - WrappedRightMargin : 8;
}

bool IsBreakSpace(char16_t Unit) { return Unit == u' '; }

// Breaks Text into the lines it takes wrapped into Width pixels, as an edit control breaks
// them: after the last space that fits (spaces at a break are dropped), or inside a word that is
// wider than a line. Calls Line(Start, Length, Measured) for each, with Extents[i] the width of
// the line's first i + 1 units for i below Measured. Measuring and drawing both break this way,
// so a row is drawn in exactly the lines its height was measured for.
template <typename TLine>
void ForEachWrappedLine(HDC DC, std::u16string_view Text, int Width, std::vector<int>& Extents, TLine&& Line) {
  // GetTextExtentExPoint measures all it is given; no unit is narrower than a pixel, so a line
  // never holds more than Width units and longer lines are measured a line at a time.
  const size_t Most = static_cast<size_t>(std::max(Width, 1)) + 1;
  size_t Start = 0;
  while (Start < Text.size()) {
    const size_t Given = std::min(Text.size() - Start, Most);
    if (Extents.size() < Given) Extents.resize(Given);
    INT Fit = 0;
    SIZE Size{};
    if (!GetTextExtentExPointW(DC, AsWide(Text.data() + Start), static_cast<int>(Given), std::max(Width, 1), &Fit,
                               Extents.data(), &Size))
      Fit = static_cast<INT>(Given);
    size_t End = Start + static_cast<size_t>(std::max(Fit, 0));
    size_t Next = End;
    if (End < Text.size()) {
      size_t Space = End;
      while (Space > Start && !IsBreakSpace(Text[Space])) --Space;
      if (IsBreakSpace(Text[Space])) {
        End = Space;
        Next = Space;
        while (End > Start && IsBreakSpace(Text[End - 1])) --End;
      } else if (End == Start) {
        Next = End = Start + 1;  // not even one unit fits: it takes a line of its own
      }
      // A surrogate pair stays whole.
      if (End > Start + 1 && End < Text.size() && Text[End] >= 0xDC00 && Text[End] <= 0xDFFF) Next = --End;
      while (Next < Text.size() && IsBreakSpace(Text[Next])) ++Next;
    }
    Line(Start, End - Start, static_cast<size_t>(std::max(Fit, 0)));
    Start = std::max(Next, Start + 1);
  }
}

// The runs of a decoded line that the filter's text and the last search highlight.
bool FindHighlights(TSkerrinState& S, std::u16string_view Line) {
  TDrawResources& D = S.Draw;
  FindFilterSpans(Line, S.Filter.Query.Text, D.FilterSpans, D.MatchBuffer);
  D.SearchSpans.clear();
  if (S.Search.Highlighting) FindSearchSpans(Line, S.Search.Highlight, D.SearchSpans);
  return !D.FilterSpans.empty() || !D.SearchSpans.empty();
}

// Draws the highlighted runs over a drawn piece of the line: Text drawn from X (in pixels) at
// Y, with Extents[i] the width of its first i + 1 units for i below Measured. A decoded line's
// unit i is Text's unit i + Shift. Each run is filled and its text drawn again in the match
// colours, clipped to Band's height.
void DrawHighlights(TSkerrinState& S, HDC DC, std::u16string_view Text, ptrdiff_t Shift, const int* Extents,
                    size_t Measured, int X, int Y, const RECT& Band) {
  const auto End = static_cast<ptrdiff_t>(std::min(Measured, Text.size()));
  const auto Draw = [&](const TMatchSpans& Spans, TColor Back) {
    SetBkColor(DC, static_cast<COLORREF>(Back));
    for (const TMatchSpan& Span : Spans) {
      const ptrdiff_t First = std::max<ptrdiff_t>(Span.Start + Shift, 0);
      const ptrdiff_t Stop = std::min<ptrdiff_t>(Span.Start + Shift + Span.Length, End);
      if (First >= Stop) continue;
      const int Left = X + (First > 0 ? Extents[First - 1] : 0);
      const RECT Box{Left, Band.top, X + Extents[Stop - 1], Band.bottom};
      ExtTextOutW(DC, Left, Y, ETO_OPAQUE | ETO_CLIPPED, &Box, AsWide(Text.data() + First),
                  static_cast<UINT>(Stop - First), nullptr);
    }
  };
  SetTextColor(DC, static_cast<COLORREF>(MatchText));
  Draw(S.Draw.FilterSpans, FilterMatchBack);
  Draw(S.Draw.SearchSpans, SearchMatchBack);
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
  DecodeLineBytes(Bytes, Line, LineCodePageOf(S));
  const bool Highlighted = FindHighlights(S, Line);
  std::vector<int>& Extents = S.Draw.Extents;
  if (!Wrapped) {
    Text.clear();
    if (Numbers) {
      AppendPaddedNumber(Text, LineNumber, Digits);
      Text += u"  ";
    }
    const size_t Offset = Text.size();
    Text += Line;
    if (Text.empty()) return;
    RECT Box = R;
    Box.left += TextIndent;
    DrawTextW(DC, AsWide(Text), static_cast<int>(Text.size()), &Box,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    if (!Highlighted) return;
    // Only as far as the row is seen.
    if (Extents.size() < Text.size()) Extents.resize(Text.size());
    INT Fit = 0;
    SIZE Size{};
    if (!GetTextExtentExPointW(DC, AsWide(Text), static_cast<int>(Text.size()),
                               std::max(1, static_cast<int>(R.right - Box.left)), &Fit, Extents.data(), &Size))
      return;
    // Where DT_VCENTER put the text.
    const int Y = R.top + (R.bottom - R.top - S.Metrics.TextHeight) / 2;
    const RECT Band{R.left, R.top + 1, R.right, R.bottom - 1};
    DrawHighlights(S, DC, Text, static_cast<ptrdiff_t>(Offset), Extents.data(), static_cast<size_t>(Fit), Box.left, Y,
                   Band);
    return;
  }
  int Left = R.left + TextIndent;
  if (Numbers) {
    Text.clear();
    AppendPaddedNumber(Text, LineNumber, Digits);
    Text += u" ";
    TextOutW(DC, R.left + TextIndent, R.top + 1, AsWide(Text), static_cast<int>(Text.size()));
    Left = R.left + WrappedTextLeft(S);
  }
  const RECT Clip{Left, R.top + 1, R.right - WrappedRightMargin, R.bottom};
  const int LineHeight = S.Metrics.TextHeight;
  int Y = R.top + 1;
  const std::u16string_view Whole(Line);
  ForEachWrappedLine(
      DC, Whole, WrappedTextWidth(S, R.right - R.left), Extents, [&](size_t Start, size_t Length, size_t Measured) {
        if (Y < R.bottom && Length > 0) {
          const std::u16string_view Part = Whole.substr(Start, Length);
          SetTextColor(DC, static_cast<COLORREF>(Fore));
          ExtTextOutW(DC, Left, Y, ETO_CLIPPED, &Clip, AsWide(Part.data()), static_cast<UINT>(Part.size()), nullptr);
          const RECT Band{Clip.left, Y, Clip.right, std::min<LONG>(Y + LineHeight, Clip.bottom)};
          if (Highlighted)
            DrawHighlights(S, DC, Part, -static_cast<ptrdiff_t>(Start), Extents.data(), Measured, Left, Y, Band);
        }
        Y += LineHeight;
      });
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
  std::u16string& Line = S.Draw.LineBuffer;
  DecodeLineBytes(Bytes, Line, LineCodePageOf(S));
  int Lines = 0;
  const auto Count = [&Lines](size_t, size_t, size_t) { ++Lines; };
  if (HDC DC = MeasuringDC(S)) {
    ForEachWrappedLine(DC, Line, WrappedTextWidth(S, Width), S.Draw.Extents, Count);
  } else {
    TWindowDC Fallback(S.ListWindow);
    TSelectScope Select(Fallback.Get(), S.Fonts.Font.Get());
    ForEachWrappedLine(Fallback.Get(), Line, WrappedTextWidth(S, Width), S.Draw.Extents, Count);
  }
  return std::max<int>(RowHeight, Lines * S.Metrics.TextHeight + 2);
}

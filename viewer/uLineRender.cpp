#include "viewer/uLineRender.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "model/uLogFilter.h"
#include "platform/uPlatformWide.h"
#include "settings/uSettings.h"
#include "settings/uTheme.h"
#include "viewer/uViewState.h"
#include "viewer/uWin32LogWindow.h"
#include "viewer/uWrapView.h"

namespace {

constexpr TColor SelectedBack = 0xD77800;
constexpr TColor SelectedText = 0xFFFFFF;

TColor Blend(TColor Back, TColor Fore) {
  auto Channel = [&](int Shift) { return ((2 * ((Back >> Shift) & 0xFF) + ((Fore >> Shift) & 0xFF)) / 3) << Shift; };
  return Channel(0) | Channel(8) | Channel(16);
}

const wchar_t* Wide(const std::u16string& Text) { return reinterpret_cast<const wchar_t*>(Text.c_str()); }

std::string_view EntryBytes(const TSkerrinState& S, int32_t Entry) {
  const TLogEntry& E = S.Log->List.Items[static_cast<size_t>(Entry)];
  return {S.Log->List.EntryText(Entry), static_cast<size_t>(std::max(0, E.TextLength))};
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

void NextGeneration(TSkerrinState& S) {
  if (S.WrapGeneration == INT32_MAX || S.WrapGeneration == -1) {
    std::fill(S.WrapHeightStamps.begin(), S.WrapHeightStamps.end(), 0);
    S.WrapGeneration = 1;
  } else {
    ++S.WrapGeneration;
  }
}

void EnsureHeightCaches(TSkerrinState& S) {
  const size_t Needed = static_cast<size_t>(std::max(0, S.VisibleCount));
  if (S.WrapHeights.size() >= Needed) return;
  const size_t Grown = std::max({Needed, S.WrapHeights.size() * 3 / 2 + 256, size_t{1024}});
  S.WrapHeights.resize(Grown, 0);
  S.WrapHeightStamps.resize(Grown, 0);
}

HDC MeasuringDC(TSkerrinState& S) {
  if (!S.MeasureDC) {
    S.MeasureDC.Reset(CreateCompatibleDC(nullptr));
    if (S.MeasureDC && S.Font) S.MeasureDCFontBefore = SelectObject(S.MeasureDC.Get(), S.Font.Get());
  }
  return S.MeasureDC.Get();
}

int ClientWidth(HWND Window) {
  RECT R{};
  if (Window) GetClientRect(Window, &R);
  return R.right;
}

void PaintRows(TSkerrinState& S, HWND List, HDC WindowDC, bool Wrapped) {
  RECT Client{};
  GetClientRect(List, &Client);
  const int W = Client.right, H = Client.bottom;
  if (W <= 0 || H <= 0) return;
  TDoubleBuffer Buffer(WindowDC, W, H);
  const HDC DC = Buffer.Target();
  TBrushHolder Back(CreateSolidBrush(static_cast<COLORREF>(ListBackColor(S))));
  FillRect(DC, &Client, Back.Get());
  if (S.VisibleCount > 0) {
    const TPageLayout Page = ComputePageLayout(S, H);
    const int Offset = Wrapped ? 0 : GetScrollPos(List, SB_HORZ);
    int Y = Page.FirstY;
    for (int32_t Row = Page.FirstRow; Y < H && Row < S.VisibleCount; ++Row) {
      const int Height = Wrapped ? MeasureRow(S, Row) : S.RowHeight;
      bool Selected;
      if (Wrapped) Selected = IsRowSelected(S, Row) || Row == S.WrapCaret;
      else Selected = SendMessageW(List, LB_GETSEL, Row, 0) > 0;
      DRAWITEMSTRUCT Item{};
      Item.CtlType = ODT_LISTBOX;
      Item.CtlID = IdList;
      Item.itemID = static_cast<UINT>(Row);
      Item.itemAction = ODA_DRAWENTIRE;
      Item.itemState = Selected ? ODS_SELECTED : 0;
      Item.hwndItem = List;
      Item.hDC = DC;
      // The last row may be cut by the bottom edge; its rectangle stays whole so that its text
      // keeps its place, and the buffer's edge clips it.
      Item.rcItem = RECT{-Offset, Y, W, Y + Height};
      DrawRow(S, Item);
      Y += Height;
    }
    if (Y < H) {
      const RECT Rest{0, std::max(0, Y), W, H};
      FillRect(DC, &Rest, Back.Get());
    }
  }
  Buffer.Present();
}

}  // namespace

void CreateLineFont(TSkerrinState& S) {
  const std::wstring Face = WideFromUtf8(AppSettings.FontName);
  HFONT NewFont = CreateFontW(-MulDiv(AppSettings.FontSize, S.Dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              FIXED_PITCH | FF_MODERN, Face.c_str());
  // The measuring DC must let go of the old font before it is deleted.
  if (S.MeasureDC) {
    if (S.MeasureDCFontBefore) SelectObject(S.MeasureDC.Get(), S.MeasureDCFontBefore);
    S.MeasureDCFontBefore = NewFont ? SelectObject(S.MeasureDC.Get(), NewFont) : nullptr;
  }
  S.Font.Reset(NewFont);
}

int LineNumberDigits(const TSkerrinState& S) {
  int32_t Count = S.Log ? S.Log->List.Count : 0;
  if (Count < 1) Count = 1;
  int Digits = 0;
  for (int32_t V = Count; V > 0; V /= 10) ++Digits;
  return std::max<int>(Digits, AppSettings.LineNumWidth);
}

std::wstring PaddedLineNumber(int32_t LineNumber, int Digits) {
  std::u16string Out;
  AppendPaddedNumber(Out, LineNumber, Digits);
  return std::wstring(Out.begin(), Out.end());
}

void UpdateRowMetrics(TSkerrinState& S) {
  const int OldRow = S.RowHeight, OldChar = S.CharWidth;
  HWND Target = S.ListWindow ? S.ListWindow : S.Window;
  if (Target && S.Font) {
    TWindowDC DC(Target);
    if (DC.Get()) {
      TSelectScope Select(DC.Get(), S.Font.Get());
      TEXTMETRICW Metrics{};
      if (GetTextMetricsW(DC.Get(), &Metrics)) {
        S.RowHeight = Metrics.tmHeight > 9 ? Metrics.tmHeight + 4 : 14;
        S.CharWidth = Metrics.tmAveCharWidth > 5 ? Metrics.tmAveCharWidth : 6;
      }
    }
  }
  if (!S.ListWindow) return;
  if (!S.WrapViewActive) {
    SendMessageW(S.ListWindow, LB_SETITEMHEIGHT, 0, S.RowHeight);
    const int32_t Longest = std::max(S.LongestLine, S.Log ? S.Log->MaxLineLength : 0);
    const WPARAM Extent = AppSettings.HorzScrollbar
                              ? static_cast<WPARAM>((static_cast<int64_t>(Longest) + LineNumberDigits(S) + 4) * S.CharWidth)
                              : 0;
    SendMessageW(S.ListWindow, LB_SETHORIZONTALEXTENT, Extent, 0);
    if (OldRow != S.RowHeight || OldChar != S.CharWidth) InvalidateRowHeights(S);
  } else {
    InvalidateRowHeights(S);
    UpdateWrapScrollBar(S);
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  }
}

void RowColors(TSkerrinState& S, int32_t Row, TLogLevel& Level, TColor& Background, TColor& Foreground) {
  const TColorScheme& Scheme = ViewerScheme(S);
  const int32_t Entry = VisibleToEntry(S, Row);
  Level = Entry >= 0 ? EffectiveLevel(S, Entry) : lCustom;
  Background = Scheme.Levels[Level].Bg;
  Foreground = Scheme.Levels[Level].Fg;
  if (Entry < 0) return;
  const int32_t Rule = RuleForEntry(S, Entry);
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

void DrawRow(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  const auto Row = static_cast<int32_t>(Item.itemID);
  const int32_t Entry = VisibleToEntry(S, Row);
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
  {
    TBrushHolder Brush(CreateSolidBrush(static_cast<COLORREF>(Back)));
    FillRect(DC, &R, Brush.Get());
  }
  const bool Numbers = AppSettings.ShowLineNumbers;
  const int Digits = LineNumberDigits(S);
  if (Numbers) {
    const int X = std::clamp<int>(R.left + 4 + (Digits + 1) * S.CharWidth, R.left, R.right);
    TBrushHolder Line(CreateSolidBrush(static_cast<COLORREF>(Blend(Back, Fore))));
    const RECT Separator{X, R.top, X + 1, R.bottom};
    FillRect(DC, &Separator, Line.Get());
  }
  SetTextColor(DC, static_cast<COLORREF>(Fore));
  SetBkMode(DC, TRANSPARENT);
  if (S.Font) SelectObject(DC, S.Font.Get());
  const std::string_view Bytes = EntryBytes(S, Entry);
  const int32_t LineNumber = S.Log->List.Items[static_cast<size_t>(Entry)].LineNumber;
  DecodeLineBytes(Bytes, S.LineBuffer);
  if (!AppSettings.WordWrap || !S.WrapViewActive) {
    S.DrawBuffer.clear();
    if (Numbers) {
      AppendPaddedNumber(S.DrawBuffer, LineNumber, Digits);
      S.DrawBuffer += u"  ";
    }
    S.DrawBuffer += S.LineBuffer;
    if (S.DrawBuffer.empty()) return;
    RECT Text = R;
    Text.left += 4;
    DrawTextW(DC, Wide(S.DrawBuffer), static_cast<int>(S.DrawBuffer.size()), &Text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    return;
  }
  RECT Text{R.left + 4, R.top + 1, R.right - 2, R.bottom};
  if (Numbers) {
    S.DrawBuffer.clear();
    AppendPaddedNumber(S.DrawBuffer, LineNumber, Digits);
    S.DrawBuffer += u" ";
    TextOutW(DC, R.left + 4, R.top + 1, Wide(S.DrawBuffer), static_cast<int>(S.DrawBuffer.size()));
    Text.left = R.left + (Digits + 1) * S.CharWidth + 6;
  }
  const UINT Flags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_LEFT;
  if (!S.LineBuffer.empty())
    DrawTextW(DC, Wide(S.LineBuffer), static_cast<int>(S.LineBuffer.size()), &Text, Flags);
  else if (!Bytes.empty())
    DrawTextA(DC, Bytes.data(), static_cast<int>(Bytes.size()), &Text, Flags);
}

TPageLayout ComputePageLayout(TSkerrinState& S, int H) {
  const bool Wrapped = S.WrapViewActive;
  int32_t Top;
  if (Wrapped) Top = std::clamp<int32_t>(S.WrapTop, 0, std::max(0, S.VisibleCount - 1));
  else Top = std::max<int32_t>(0, static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0)));
  if (Top >= S.VisibleCount) Top = std::max(0, S.VisibleCount - 1);
  const bool TopIsZero = Top == 0;
  auto HeightOf = [&](int32_t Row) { return Wrapped ? MeasureRow(S, Row) : S.RowHeight; };
  int64_t Sum = 0;
  for (int32_t Row = Top; Row < S.VisibleCount && Sum < H; ++Row) Sum += HeightOf(Row);
  while (Sum < H && Top > 0) Sum += HeightOf(--Top);
  const int FirstY = (!TopIsZero && Sum > H) ? static_cast<int>(H - Sum) : 0;
  return {Top, FirstY};
}

void PaintListbox(TSkerrinState& S, HWND List, HDC DC) { PaintRows(S, List, DC, false); }

void PaintWrapView(TSkerrinState& S, HWND View, HDC DC) { PaintRows(S, View, DC, true); }

int MeasureRow(TSkerrinState& S, int32_t Row) {
  const int Width = ClientWidth(S.ListWindow);
  if (Row < 0 || Row >= S.VisibleCount || !AppSettings.WordWrap || Width <= 0) return S.RowHeight;
  EnsureHeightCaches(S);
  if (Width != S.WrapWidth) {
    S.WrapWidth = Width;
    NextGeneration(S);
  }
  const auto Index = static_cast<size_t>(Row);
  if (S.WrapHeightStamps[Index] == S.WrapGeneration && S.WrapHeights[Index] > 0) return S.WrapHeights[Index];
  RECT Client{};
  GetClientRect(S.ListWindow, &Client);
  const int32_t P = std::max<int32_t>(1, Client.bottom / std::max(1, S.RowHeight));
  const int32_t T = S.WrapTop;
  if (Row < T - P || Row > T + 2 * P) return S.RowHeight;
  const int32_t Entry = VisibleToEntry(S, Row);
  if (Entry < 0) return S.RowHeight;
  const std::string_view Bytes = EntryBytes(S, Entry);
  int Height = S.RowHeight;
  if (std::any_of(Bytes.begin(), Bytes.end(), [](char C) { return static_cast<unsigned char>(C) > 32; })) {
    const int C = AppSettings.ShowLineNumbers ? (LineNumberDigits(S) + 1) * S.CharWidth + 6 : 4;
    const int TextWidth = Width - C > 9 ? Width - C - 2 : 8;
    DecodeLineBytes(Bytes, S.LineBuffer);
    RECT Box{0, 0, TextWidth, 0};
    HDC DC = MeasuringDC(S);
    const UINT Flags = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_LEFT | DT_CALCRECT;
    if (DC) {
      if (!S.LineBuffer.empty()) DrawTextW(DC, Wide(S.LineBuffer), static_cast<int>(S.LineBuffer.size()), &Box, Flags);
      else DrawTextA(DC, Bytes.data(), static_cast<int>(Bytes.size()), &Box, Flags);
    } else {
      TWindowDC Fallback(S.ListWindow);
      TSelectScope Select(Fallback.Get(), S.Font.Get());
      DrawTextW(Fallback.Get(), Wide(S.LineBuffer), static_cast<int>(S.LineBuffer.size()), &Box, Flags);
    }
    Height = std::max<int>(S.RowHeight, Box.bottom - Box.top + 2);
  }
  S.WrapHeights[Index] = Height;
  S.WrapHeightStamps[Index] = S.WrapGeneration;
  return Height;
}

void InvalidateRowHeights(TSkerrinState& S) {
  EnsureHeightCaches(S);
  NextGeneration(S);
  S.WrapWidth = -1;
}

void SetHostTheme(TSkerrinState& S, bool Dark, bool Native) {
  const bool WasDark = ViewerIsDark(S);
  const bool WasNative = S.HostDarkNative;
  S.HostDark = Dark;
  S.HostDarkNative = Native;
  SetHostDarkMode(true, S.HostDark);
  if (ViewerIsDark(S) != WasDark || S.HostDarkNative != WasNative) RefreshTheme(S);
}

void RefreshTheme(TSkerrinState& S) {
  S.ListBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(ListBackColor(S))));
  S.BarBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(BarBackColor(S))));
  UpdateStatus(S);
  for (HWND W : {S.ListWindow, S.StatusBar})
    if (W) RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  if (S.Window) RedrawWindow(S.Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

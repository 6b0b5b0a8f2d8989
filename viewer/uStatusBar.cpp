#include "viewer/uStatusBar.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "model/uStatusText.h"
#include "platform/uPlatformLocale.h"
#include "platform/uPlatformWide.h"
#include "platform/uTextCodec.h"
#include "viewer/uViewerLook.h"

namespace {

std::u16string JoinedCounters(const TCounterTexts& Texts) {
  std::string Joined;
  for (int i = 0; i < CounterCount; ++i) {
    if (i > 0) Joined += Texts.Separator;
    Joined += Texts.Text[i];
  }
  return Utf8ToUtf16(Joined);
}

HFONT StatusFont(const TSkerrinState& S) {
  auto Font = reinterpret_cast<HFONT>(SendMessageW(S.StatusBar, WM_GETFONT, 0, 0));
  return Font ? Font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A copy of Font with another weight; empty when it cannot be made.
TFontHolder WeightedCopy(HFONT Font, LONG Weight) {
  LOGFONTW Log{};
  if (!Font || GetObjectW(Font, sizeof(Log), &Log) != sizeof(Log)) return TFontHolder();
  Log.lfWeight = Weight;
  return TFontHolder(CreateFontIndirectW(&Log));
}

int TextWidth(HDC DC, HFONT Font, const std::u16string& Text) {
  TSelectScope Select(DC, Font);
  SIZE Size{};
  if (!GetTextExtentPoint32W(DC, AsWide(Text), static_cast<int>(Text.size()), &Size)) return 0;
  return Size.cx;
}

void DrawSummary(TSkerrinState& S, HDC DC, RECT R, int Y) {
  R.left += 4;
  const std::u16string& Text = S.Status.StatusTextW;
  const auto Length = static_cast<int>(Text.size());
  if (S.InListerWindow) {
    DrawTextW(DC, AsWide(Text), Length, &R, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  } else {
    TextOutW(DC, R.left, std::max<int>(R.top, Y + 2), AsWide(Text), Length);
  }
}

// The counters in one form, measured: each text in its own font, bold or not.
struct TMeasuredCounters {
  std::u16string Wides[CounterCount];
  HFONT Fonts[CounterCount] = {};
  int32_t Widths[CounterCount] = {};
  std::u16string Separator;
  int32_t SeparatorWidth = 0;
};

void MeasureCounters(HDC DC, const TCounterTexts& Texts, HFONT Font, HFONT Bold, TMeasuredCounters& M) {
  for (int i = 0; i < CounterCount; ++i) {
    M.Wides[i] = Utf8ToUtf16(Texts.Text[i]);
    M.Fonts[i] = Texts.Bold[i] && Bold ? Bold : Font;
    M.Widths[i] = TextWidth(DC, M.Fonts[i], M.Wides[i]);
  }
  M.Separator = Utf8ToUtf16(Texts.Separator);
  M.SeparatorWidth = TextWidth(DC, Font, M.Separator);
}

// The counters as the part R shows them: the fullest form that fits (the times go first, then
// the spaces; when not even the shortest fits, it starts at the left and the part's edge cuts
// it), measured, with the left edge of each. Drawing and clicks both place them so.
struct TPlacedCounters {
  TFontHolder Bold;
  TMeasuredCounters M;
  int Left[CounterCount] = {};
};

void PlaceCounters(const TSkerrinState& S, HDC DC, HFONT Font, const RECT& R, TPlacedCounters& P) {
  TMeasuredCounters& M = P.M;
  for (int Form = 0; Form < CounterFormCount; ++Form) {
    const TCounterTexts Texts = BuildCounterTexts(S.Counters, static_cast<TCounterForm>(Form));
    if (!P.Bold && (Texts.Bold[0] || Texts.Bold[1] || Texts.Bold[2])) P.Bold = WeightedCopy(Font, FW_BOLD);
    MeasureCounters(DC, Texts, Font, P.Bold.Get(), M);
    if (CountersFit(R.left, R.right, M.Widths, M.SeparatorWidth)) break;
  }
  int X = CountersLeft(R.left, R.right, M.Widths, M.SeparatorWidth);
  for (int i = 0; i < CounterCount; ++i) {
    if (i > 0) X += M.SeparatorWidth;
    P.Left[i] = X;
    X += M.Widths[i];
  }
}

void DrawCounters(TSkerrinState& S, HDC DC, HFONT Font, const RECT& R, int Y) {
  TPlacedCounters P;
  PlaceCounters(S, DC, Font, R, P);
  const TMeasuredCounters& M = P.M;
  const int Top = std::max<int>(R.top, S.InListerWindow ? Y : Y + 2);
  for (int i = 0; i < CounterCount; ++i) {
    if (i > 0) {
      TSelectScope Select(DC, Font);
      TextOutW(DC, P.Left[i] - M.SeparatorWidth, Top, AsWide(M.Separator), static_cast<int>(M.Separator.size()));
    }
    TSelectScope Select(DC, M.Fonts[i]);
    TextOutW(DC, P.Left[i], Top, AsWide(M.Wides[i]), static_cast<int>(M.Wides[i].size()));
  }
}

// While the file is read the summary leads with the load's progress.
std::string LoadingSummary(const TSkerrinState& S) {
  return BuildLoadingStatusText(LoadProgressText(S.Load.BytesRead, S.Load.FileSize), S.Log->List.Count,
                                S.View.VisibleCount, S.FileName, S.Log->Format);
}

// The bar paints its background and then each part on the screen, which a bar updated many
// times a second (a load's progress) shows as flicker; it paints into a bitmap shown at once.
LRESULT CALLBACK StatusBarProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const auto* S = reinterpret_cast<const TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!S) return PassOnFromStub(Window, StatusBarProc, Msg, WParam, LParam);
  const TPreviousProc Previous = S->Subclasses.Previous(Window, StatusBarProc);
  if (Msg == WM_ERASEBKGND) return 1;
  if (Msg != WM_PAINT || WParam) return Previous.Call(Window, Msg, WParam, LParam);
  TPaintScope Paint(Window);
  RECT R{};
  if (!Paint.Get() || !GetClientRect(Window, &R)) return 0;
  TDoubleBuffer Buffer(Paint.Get(), R.right, R.bottom);
  // The bar, like the platform's other controls, paints on a device context it is given.
  Previous.Call(Window, WM_PAINT, reinterpret_cast<WPARAM>(Buffer.Target()), 0);
  Buffer.Present();
  return 0;
}

void KeepInBuffer(std::u16string& Buffer, const std::u16string& Text) {
  if (Buffer.capacity() < 256) Buffer.reserve(256);
  Buffer.assign(Text);
}

// The bar paints a part at once whenever it is handed data, the same data too; a text that
// changed in its place only needs the paint that follows, once the host's messages are handled
// (a load updates the texts many times a second).
void GivePartText(HWND Bar, WPARAM Part, const std::u16string& Text) {
  const auto Data = reinterpret_cast<LPARAM>(AsWide(Text));
  if (SendMessageW(Bar, SB_GETTEXTW, Part, 0) != Data)
    SendMessageW(Bar, SB_SETTEXTW, Part | SBT_OWNERDRAW | SBT_NOBORDERS, Data);
}

}  // namespace

void InstallStatusBarPaint(TSkerrinState& S) {
  if (!S.StatusBar) return;
  SetWindowLongPtrW(S.StatusBar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
  S.Subclasses.Install(S.StatusBar, StatusBarProc, TCallPath::Unicode);
}

int64_t StatusByteCount(const TSkerrinState& S) {
  // Tail resumes before a last line that has no line break yet, so the bytes it has consumed
  // can be fewer than the file holds; the summary shows what the view actually contains.
  const TTailState& Tail = S.Tail.File;
  int64_t Bytes = Tail.TailOffset;
  if (Tail.TailFileInfo.Valid) Bytes = std::max(Bytes, Tail.TailFileInfo.SizeOnDisk);
  else if (S.Log) Bytes = std::max(Bytes, S.Log->FileSize);
  return Bytes;
}

void UpdateStatus(TSkerrinState& S) {
  if (!S.StatusBar) return;
  const int32_t Entries = S.Log ? S.Log->List.Count : 0;
  TStatusTexts& Texts = S.Status;
  if (S.Log && S.Log->LoadError != leNone) Texts.StatusText = LoadFailureText(S.FileName, LoadErrorText(*S.Log));
  else if (S.Log && S.Load.Running) Texts.StatusText = LoadingSummary(S);
  else
    Texts.StatusText =
        BuildStatusText(Entries, S.View.VisibleCount, S.FileName, StatusByteCount(S), S.Log ? S.Log->Format : lfUnknown,
                        PlatformThousandsSeparator(), HiddenLevelsHint(S.Filter.ShownLevels));
  // Copied into the buffers the parts already hold where they have room, so that the parts keep
  // their data and need no new one (see GivePartText).
  KeepInBuffer(Texts.StatusTextW, Utf8ToUtf16(Texts.StatusText));
  KeepInBuffer(Texts.StatusCountersW, JoinedCounters(BuildCounterTexts(S.Counters)));
  // The parts carry the texts as their data; the window's teardown clears them before the
  // record that holds the texts is freed.
  GivePartText(S.StatusBar, 0, Texts.StatusTextW);
  GivePartText(S.StatusBar, 1, Texts.StatusCountersW);
  InvalidateRect(S.StatusBar, nullptr, FALSE);
}

void DrawStatusPart(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  HDC DC = Item.hDC;
  if (!DC) return;
  const RECT R = Item.rcItem;
  // The bar leaves a gap between its parts in its own background (themed, and light even in
  // the dark look); the summary's part covers it.
  RECT Fill = R;
  RECT Next{};
  if (Item.itemID == 0 && SendMessageW(S.StatusBar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Next)) &&
      Next.left > Fill.right)
    Fill.right = Next.left;
  if (S.Draw.BarBrush) {
    FillRect(DC, &Fill, S.Draw.BarBrush.Get());
  } else {
    TBrushHolder Brush(CreateSolidBrush(static_cast<COLORREF>(BarBackColor(S))));
    FillRect(DC, &Fill, Brush.Get());
  }
  const HFONT Font = StatusFont(S);
  TSelectScope Select(DC, Font);
  const COLORREF OldColor = SetTextColor(DC, static_cast<COLORREF>(BarTextColor(S)));
  const int OldMode = SetBkMode(DC, TRANSPARENT);
  SIZE Letter{};
  const int LetterHeight = GetTextExtentPoint32W(DC, L"A", 1, &Letter) ? Letter.cy : -1;
  const int Y = StatusTextTop(R.top, R.bottom, LetterHeight);
  if (Item.itemID == 0) DrawSummary(S, DC, R, Y);
  else DrawCounters(S, DC, Font, R, Y);
  SetBkMode(DC, OldMode);
  SetTextColor(DC, OldColor);
}

int32_t CounterLevelAt(const TSkerrinState& S, int X) {
  RECT R{};
  if (!S.StatusBar || !SendMessageW(S.StatusBar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&R))) return -1;
  TWindowDC DC(S.StatusBar);
  if (!DC.Get()) return -1;
  const HFONT Font = StatusFont(S);
  TSelectScope Select(DC.Get(), Font);
  TPlacedCounters P;
  PlaceCounters(S, DC.Get(), Font, R, P);
  // Half the gap on either side belongs to a counter, so that no click between two is lost.
  const int Half = P.M.SeparatorWidth / 2;
  constexpr TLogLevel Levels[CounterCount] = {lError, lWarn, lInfo};
  for (int i = 0; i < CounterCount; ++i)
    if (X >= P.Left[i] - Half && X < P.Left[i] + P.M.Widths[i] + Half) return Levels[i];
  return -1;
}

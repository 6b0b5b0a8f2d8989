// White-box tests of the viewer units: metrics and layout arithmetic, the format box mapping,
// colour choice, and the list controls' selection and scrolling, on viewers created inside
// this test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "settings/uSettings.h"
#include "viewer/uHostWindow.h"
#include "viewer/uLineRender.h"
#include "viewer/uListControl.h"
#include "viewer/uListRows.h"
#include "viewer/uNavigate.h"
#include "viewer/uStatusBar.h"
#include "viewer/uToolbar.h"
#include "viewer/uViewLoad.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewState.h"
#include "viewer/uViewerLayout.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"
#include "viewer/uWin32LogWindow.h"
#include "viewer/uWrapView.h"
#include "win/uInProcessViewer.h"
#include "win/uWinTestSupport.h"

namespace {

TEST(ViewerMetrics, LengthsScaleWithTheDpi) {
  struct Case {
    int Dpi, Value, Scaled;
  };
  for (const Case& C : {Case{96, 34, 34}, Case{144, 34, 51}, Case{144, 23, 35}, Case{120, 6, 8}, Case{192, 13, 26}}) {
    TSkerrinState S(AppSettings);
    S.Metrics.Dpi = C.Dpi;
    EXPECT_EQ(ScaleToDpi(S, C.Value), C.Scaled) << C.Dpi << " " << C.Value;
  }
  TSkerrinState S(AppSettings);
  S.Metrics.Dpi = 144;
  const TControlRect First = NavigationButtonRect(S, 0);
  EXPECT_EQ(First.X, 9);
  EXPECT_EQ(First.Y, 9);
  EXPECT_EQ(First.Width, 51);
  EXPECT_EQ(First.Height, 35);
}

// The filter group keeps its place at the right edge; a window too narrow for every group gives
// them up from the right into the "more" menu, whose button follows the last group shown.
TEST(ViewerMetrics, ANarrowToolbarGivesUpGroupsFromTheRightAndKeepsTheFilter) {
  struct Case {
    int Dpi, Width;
    int32_t Shown;
    int FilterLeft, MoreLeft;  // MoreLeft -1: no "more" button
  };
  const Case Cases[] = {
      {96, 1200, ToolbarGroupCount, 980, -1},
      {96, 924, ToolbarGroupCount, 704, -1},
      {96, 923, tgFormat, 703, 576},      // the format box goes first
      {96, 700, tgSync, 480, 439},        // then Options and Sync
      {96, 500, tgTail, 280, 232},        // then the check boxes
      {96, 400, tgWarnButtons, 180, 80},  // then the level buttons, from the right
      {96, 200, 0, 34, 6},                // then the filter group stops and the edge cuts it
      {144, 1500, ToolbarGroupCount, 1170, -1},
      {144, 600, tgWarnButtons, 270, 120},
  };
  TSkerrinState S(AppSettings);
  for (const Case& C : Cases) {
    S.Metrics.Dpi = C.Dpi;
    const TToolbarFit Fit = FitToolbar(S, C.Width);
    EXPECT_EQ(Fit.GroupsShown, C.Shown) << C.Dpi << " " << C.Width;
    EXPECT_EQ(Fit.FilterLeft, C.FilterLeft) << C.Dpi << " " << C.Width;
    EXPECT_EQ(FilterLabelRect(S, C.Width).X, C.FilterLeft);
    EXPECT_EQ(Fit.More.Width > 0 ? Fit.More.X : -1, C.MoreLeft) << C.Dpi << " " << C.Width;
    // The context number's up-down, the group's right end, stays inside from 400 pixels at 96 DPI up.
    if (C.Width >= ScaleToDpi(S, 400)) {
      EXPECT_LE(Fit.FilterLeft + ScaleToDpi(S, 208), C.Width) << C.Width;
    }
  }
}

TEST(ViewerMetrics, StatusBarPartsAndHeight) {
  EXPECT_EQ(StatusFirstPartEnd(600), 220);
  EXPECT_EQ(StatusFirstPartEnd(1000), 505);
  EXPECT_EQ(StatusFirstPartEnd(0), 220);
  TSkerrinState S(AppSettings);
  S.Metrics.Dpi = 96;
  struct Case {
    int Host, Expected;
  };
  for (const Case& C : {Case{20, 18}, Case{0, 22}, Case{17, 22}, Case{30, 28}, Case{81, 22}, Case{19, 18}})
    EXPECT_EQ(HostStatusHeightFor(S, C.Host), C.Expected) << C.Host;
}

TEST(FormatBox, EntriesMapToTheFormatSettings) {
  TAppSettings Settings;
  Settings.AutoDetect = false;
  ApplyFormatBoxEntry(Settings, 7);
  EXPECT_FALSE(Settings.AutoDetect);
  EXPECT_EQ(Settings.ForceFormat, lfCSV);
  EXPECT_EQ(FormatBoxEntry(Settings), 7);
  ApplyFormatBoxEntry(Settings, 0);
  EXPECT_TRUE(Settings.AutoDetect);
  EXPECT_EQ(FormatBoxEntry(Settings), 0);
  ApplyFormatBoxEntry(Settings, 12);  // no such entry: nothing changes
  ApplyFormatBoxEntry(Settings, -1);
  EXPECT_TRUE(Settings.AutoDetect);
  EXPECT_EQ(Settings.ForceFormat, lfCSV);
  Settings.AutoDetect = false;
  Settings.ForceFormat = static_cast<TLogFormat>(42);
  EXPECT_EQ(FormatBoxEntry(Settings), 0);
  Settings.ForceFormat = lfRapidScada;
  EXPECT_EQ(FormatBoxEntry(Settings), 11);
}

TEST(LineNumbers, PaddedToTheWiderOfTheCountAndTheSetting) {
  EXPECT_EQ(PaddedLineNumber(7, 5), L"    7");
  EXPECT_EQ(PaddedLineNumber(123456, 3), L"123456");
  TSkerrinState S(AppSettings);
  const int32_t Saved = AppSettings.LineNumWidth;
  AppSettings.LineNumWidth = 5;
  S.Log->List.Count = 120;
  EXPECT_EQ(LineNumberDigits(S), 5);
  S.Log->List.Count = 1234567;
  EXPECT_EQ(LineNumberDigits(S), 7);
  S.Log->List.Count = 0;
  AppSettings.LineNumWidth = 0;
  EXPECT_EQ(LineNumberDigits(S), 1);
  AppSettings.LineNumWidth = Saved;
}

TEST(LevelJump, CommandsMapToDirectionAndLevel) {
  struct {
    int32_t Command;
    bool Valid;
    bool Forward;
    TLogLevel Level;
  } const Cases[] = {
      {IdPrevError - 1, false, false, lError}, {IdPrevError, true, false, lError},
      {IdNextError, true, true, lError},       {IdPrevWarn, true, false, lWarn},
      {IdNextWarn, true, true, lWarn},         {IdPrevInfo, true, false, lInfo},
      {IdNextInfo, true, true, lInfo},         {IdNextInfo + 1, false, false, lError},
  };
  for (const auto& Case : Cases) {
    bool Forward = false;
    TLogLevel Level = lCustom;
    EXPECT_EQ(LevelJumpForCommand(Case.Command, Forward, Level), Case.Valid) << Case.Command;
    if (!Case.Valid) continue;
    EXPECT_EQ(Forward, Case.Forward) << Case.Command;
    EXPECT_EQ(Level, Case.Level) << Case.Command;
  }
}

TEST(HostWindows, ListerWindowOrQuickViewPanel) {
  THostWindow Lister;
  THostWindow QuickView(true);
  EXPECT_TRUE(IsListerWindow(Lister.Top(), 0));
  EXPECT_FALSE(IsListerWindow(QuickView.Parent(), 0));
  EXPECT_TRUE(IsListerWindow(QuickView.Parent(), 16)) << "the host's force-show flag";
  EXPECT_FALSE(IsListerWindow(nullptr, 0));
  EXPECT_TRUE(IsListerWindow(nullptr, 16));
}

// A viewer created in this program, on a log of Lines lines ("line N" with an ERROR every
// tenth), in a lister window.
class InProcessViewer : public InProcessViewerTest {
 protected:
  void Open(int Lines, bool WordWrap, const std::string& Extra = {}, bool Visible = false) {
    CreateViewer(NumberedLogLines(Lines) + Extra, L"skerrin_units.log", Visible,
                 [&](TAppSettings& Settings) { Settings.WordWrap = WordWrap; });
    if (HasFatalFailure()) return;
    PumpMessages(30);
    ASSERT_TRUE(WaitForLoad(Viewer));
  }
  bool ListboxSelected(int Row) const { return SendMessageW(S->ListWindow, LB_GETSEL, Row, 0) > 0; }
  int RowCentre(int Row) const { return Row * S->Metrics.RowHeight + S->Metrics.RowHeight / 2; }
};

TEST_F(InProcessViewer, ClicksInTheListboxSelectAsTheUserExpects) {
  Open(50, false);
  // With nothing selected the caret is still the current row: Shift+click extends from it.
  SendMessageW(S->ListWindow, LB_SETSEL, FALSE, -1);
  ASSERT_EQ(CurrentRow(*S), 0);
  ClickRow(*S, 10, RowCentre(4), true, false);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETSELCOUNT, 0, 0), 5);
  EXPECT_TRUE(ListboxSelected(0) && ListboxSelected(4));
  ClickRow(*S, 10, RowCentre(4), false, false);
  // Shift+click extends from the current row.
  ClickRow(*S, 10, RowCentre(7), true, false);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETSELCOUNT, 0, 0), 4);
  // Ctrl+click on a selected row deselects only it.
  ClickRow(*S, 10, RowCentre(5), false, true);
  EXPECT_FALSE(ListboxSelected(5));
  EXPECT_TRUE(ListboxSelected(4) && ListboxSelected(6) && ListboxSelected(7));
  // A plain click selects one row and never scrolls, even on the partly visible last row.
  const auto Top = SendMessageW(S->ListWindow, LB_GETTOPINDEX, 0, 0);
  RECT Client{};
  GetClientRect(S->ListWindow, &Client);
  const int32_t Last = HitTestRow(*S, Client.bottom - 1);
  ClickRow(*S, 10, Client.bottom - 1, false, false);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETTOPINDEX, 0, 0), Top);
  EXPECT_EQ(CurrentRow(*S), Last);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETSELCOUNT, 0, 0), 1);
  SelectAll(*S);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETSELCOUNT, 0, 0), 50);
}

TEST_F(InProcessViewer, PageKeysInTheListboxMoveSelectionAndTopTogether) {
  Open(200, false);
  const int32_t P = RowsPerPage(*S);
  SendMessageW(S->ListWindow, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(CurrentRow(*S), P);
  EXPECT_EQ(GetTopRow(*S), P);
  for (int I = 0; I < 50; ++I) SendMessageW(S->ListWindow, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(CurrentRow(*S), 199);
  EXPECT_EQ(GetTopRow(*S), 200 - P);
  SendMessageW(S->ListWindow, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(CurrentRow(*S), 198);
  CentreRow(*S, 100);
  EXPECT_EQ(GetTopRow(*S), 100 - P / 2);
  CentreRow(*S, 2);
  EXPECT_EQ(GetTopRow(*S), 0);
}

TEST_F(InProcessViewer, WrapViewKeysWheelAndClicks) {
  Open(300, true);
  ASSERT_EQ(ClassOf(S->ListWindow), L"WLXSkerrin64WrapView");
  TWrapView& View = static_cast<TWrapView&>(*S->Rows);
  EXPECT_EQ(CurrentRow(*S), 0);
  const int32_t P = RowsPerPage(*S);
  for (int I = 0; I < 100; ++I) View.Key(VK_NEXT);
  EXPECT_EQ(View.Caret(), 299);
  EXPECT_EQ(View.TopRow(), 300 - P);
  View.Key(VK_UP);
  EXPECT_EQ(CurrentRow(*S), 298);
  EXPECT_TRUE(View.IsSelected(298));
  EXPECT_FALSE(View.IsSelected(299));
  SendMessageW(S->ListWindow, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(View.Caret(), 0);
  EXPECT_EQ(View.TopRow(), 0);
  // Three rows per wheel notch, stopping at the first row and at the last page.
  SendMessageW(S->ListWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(View.TopRow(), 3);
  SendMessageW(S->ListWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
  EXPECT_EQ(View.TopRow(), 0);
  SendMessageW(S->ListWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-200 * WHEEL_DELTA)), 0);
  EXPECT_EQ(View.TopRow(), 300 - P);
  View.SetTopRow(0);
  // Click, Shift+click from the anchor, Ctrl+click toggling.
  ClickRow(*S, 10, 1, false, false);
  EXPECT_EQ(View.Caret(), 0);
  const int32_t Third = HitTestRow(*S, View.RowHeight(0) + View.RowHeight(1) + 1);
  EXPECT_EQ(Third, 2);
  ClickRow(*S, 10, View.RowHeight(0) + View.RowHeight(1) + 1, true, false);
  EXPECT_TRUE(View.IsSelected(0) && View.IsSelected(1) && View.IsSelected(2));
  EXPECT_EQ(View.Anchor(), 0);
  ClickRow(*S, 10, View.RowHeight(0) + 1, false, true);
  EXPECT_FALSE(View.IsSelected(1));
  EXPECT_TRUE(View.IsSelected(2));
  SelectAll(*S);
  EXPECT_TRUE(View.IsSelected(0) && View.IsSelected(150) && View.IsSelected(299));
  EXPECT_FALSE(View.IsSelected(300)) << "rows beyond the view are never selected";
}

TEST_F(InProcessViewer, LongLinesWrapIntoTallerRowsAndBlankLinesDoNot) {
  Open(5, true, std::string(600, 'x') + " " + std::string(600, 'y') + "\r\n \t  \r\n");
  ASSERT_EQ(S->View.VisibleCount, 7);
  TRowControl& Rows = *S->Rows;
  EXPECT_EQ(Rows.RowHeight(0), S->Metrics.RowHeight);
  EXPECT_GT(Rows.RowHeight(5), 2 * S->Metrics.RowHeight);
  EXPECT_EQ(Rows.RowHeight(6), S->Metrics.RowHeight);
  EXPECT_EQ(Rows.RowHeight(7), S->Metrics.RowHeight) << "outside the rows";
  // A narrower view re-measures: the wrapped row grows.
  const int Before = Rows.RowHeight(5);
  MoveWindow(Viewer, 0, 0, 500, 400, TRUE);
  PumpMessages(20);
  EXPECT_GT(Rows.RowHeight(5), Before);
}

// Word wrap or the horizontal scroll bar switched (by the menu, the options dialog or a theme
// change): the filter, the selection, the caret and the first visible line stay.
TEST_F(InProcessViewer, ReplacingTheListControlKeepsFilterAndPlace) {
  Open(600, false);
  SetWindowTextW(S->Bar.FilterEdit, L"error");
  PumpMessages(200);
  ASSERT_EQ(S->View.VisibleCount, 60);
  struct TCase {
    bool WordWrap, HorzScrollbar;
    const wchar_t* Control;
  };
  for (const TCase& C :
       {TCase{true, false, L"WLXSkerrin64WrapView"}, TCase{false, true, L"ListBox"}, TCase{false, false, L"ListBox"}}) {
    S->Rows->Select({30, 33}, 33);
    SetTopRow(*S, 25);
    const HWND Before = S->ListWindow;
    AppSettings.WordWrap = C.WordWrap;
    AppSettings.HorzScrollbar = C.HorzScrollbar;
    ApplySettingsToWindow(*S);
    LayoutViewer(*S);
    ASSERT_NE(S->ListWindow, Before) << "a new control";
    ASSERT_EQ(ClassOf(S->ListWindow), C.Control);
    EXPECT_EQ(S->View.VisibleCount, 60);
    EXPECT_EQ(SelectedRows(*S), (std::vector<int32_t>{30, 33})) << C.Control;
    EXPECT_EQ(CurrentRow(*S), 33) << C.Control;
    EXPECT_EQ(GetTopRow(*S), 25) << C.Control;
  }
  AppSettings.HorzScrollbar = true;
  ApplySettingsToWindow(*S);
  const HWND Kept = S->ListWindow;
  ApplySettingsToWindow(*S);
  EXPECT_EQ(S->ListWindow, Kept) << "settings that did not change keep the control, with lines that fit its width";
}

TEST_F(InProcessViewer, RowColoursFollowLevelsRulesAndSelection) {
  Open(20, false, {}, true);
  AppSettings.ColorRuleCount = 2;
  AppSettings.ColorRules[0] = TColorStringRule{"line 5", RGB(10, 200, 30), AutoColor, true, false, lCustom};
  AppSettings.ColorRules[1] = TColorStringRule{"line 6", 0, AutoColor, true, true, lError};
  RebuildView(*S, false, true);
  const TColorScheme& Light = AppSettings.ColorsLight;
  ASSERT_EQ(Light.Levels[lError].Bg, RGB(255, 170, 170));
  struct Case {
    int Row;
    TLogLevel Level;
    TColor Back, Fore;
  };
  const Case Cases[] = {
      {3, lError, Light.Levels[lError].Bg, Light.Levels[lError].Fg},
      {4, lInfo, Light.Levels[lInfo].Bg, Light.Levels[lInfo].Fg},
      {5, lInfo, RGB(10, 200, 30), Light.Levels[lInfo].Fg},
      {6, lError, Light.Levels[lError].Bg, Light.Levels[lError].Fg},
  };
  for (const Case& C : Cases) {
    TLogLevel Level;
    TColor Back, Fore;
    RowColors(*S, C.Row, Level, Back, Fore);
    EXPECT_EQ(Level, C.Level) << C.Row;
    EXPECT_EQ(Back, C.Back) << C.Row;
    EXPECT_EQ(Fore, C.Fore) << C.Row;
  }
  EXPECT_EQ(S->Counters.ErrorCount, 3) << "rows 3, 13 and the rule's row 6";
  RECT Client{};
  GetClientRect(S->ListWindow, &Client);
  const int X = Client.right - 15;
  EXPECT_EQ(ClientPixel(S->ListWindow, X, RowCentre(5)), static_cast<COLORREF>(RGB(10, 200, 30)));
  EXPECT_EQ(ClientPixel(S->ListWindow, X, RowCentre(6)), static_cast<COLORREF>(Light.Levels[lError].Bg));
  SelectRow(*S, 5, false, true, false);
  EXPECT_EQ(ClientPixel(S->ListWindow, X, RowCentre(5)), RGB(0, 120, 215)) << "selection wins over the rule";

  AppSettings.ColorRuleCount = 0;
  AppSettings.DisableDefaultLevels = true;
  RebuildView(*S, false, true);
  TLogLevel Level;
  TColor Back, Fore;
  RowColors(*S, 3, Level, Back, Fore);
  EXPECT_EQ(Level, lCustom);
  EXPECT_EQ(Back, Light.Levels[lCustom].Bg);
  EXPECT_EQ(S->Counters.ErrorCount, 0);
}

TEST_F(InProcessViewer, HostDarkFlagTurnsTheViewerDarkOnlyWhenItChanges) {
  Open(5, false, {}, true);
  ASSERT_FALSE(ViewerIsDark(*S));
  SetHostTheme(*S, true, false);
  EXPECT_TRUE(ViewerIsDark(*S));
  RECT Client{};
  GetClientRect(S->ListWindow, &Client);
  EXPECT_EQ(ClientPixel(S->ListWindow, Client.right - 5, Client.bottom - 5), RGB(40, 40, 40));
  AppSettings.ThemeMode = 1;
  EXPECT_FALSE(ViewerIsDark(*S)) << "always light ignores the host";
  AppSettings.ThemeMode = 2;
  SetHostTheme(*S, false, false);
  EXPECT_TRUE(ViewerIsDark(*S)) << "always dark ignores the host";
}

TEST_F(InProcessViewer, AFailedReloadLeavesAnEmptyViewThatAddressesNoRow) {
  Open(30, false);
  SelectRow(*S, 20, false, true, false);
  S->FileName = "C:\\no\\such\\file.log";
  EXPECT_FALSE(LoadAndShow(*S));
  EXPECT_TRUE(S->View.AllVisible);
  EXPECT_EQ(S->View.VisibleCount, 0);
  EXPECT_EQ(SendMessageW(S->ListWindow, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(CurrentRow(*S), -1);
  EXPECT_EQ(EntryOfRow(*S, 0), -1);
  EXPECT_EQ(RowTextOf(*S, 20), L"");
  RebuildView(*S, true, true);
  UpdateWindow(S->ListWindow);
  EXPECT_EQ(S->View.VisibleCount, 0);
}

TEST_F(InProcessViewer, RowTextIsTheDecodedLine) {
  Open(3, false, "caf\xC3\xA9 \xE2\x84\xA6\r\n");
  EXPECT_EQ(RowTextOf(*S, 1), L"2024-01-01 10:00:00 INFO line 1");
  EXPECT_EQ(RowTextOf(*S, 3), L"caf\u00E9 \u2126");
  EXPECT_EQ(RowTextOf(*S, 4), L"");
  EXPECT_EQ(RowTextOf(*S, -1), L"");
}

// The status bar's counters as the user clicks them: the level alone, the same again for all.
TEST_F(InProcessViewer, AClickOnACounterShowsItsLevelAloneAndASecondOneAllAgain) {
  Open(50, false);
  RECT Part{};
  ASSERT_TRUE(SendMessageW(S->StatusBar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Part)));
  int At[3] = {-1, -1, -1};
  for (int X = Part.left; X < Part.right; ++X) {
    const int32_t Level = CounterLevelAt(*S, X);
    if (Level >= 0 && At[Level] < 0) At[Level] = X + 2;
  }
  ASSERT_TRUE(At[lError] >= 0 && At[lWarn] > At[lError] && At[lInfo] > At[lWarn]);
  const auto Click = [&](int X) {
    const LPARAM Point = MAKELPARAM(X, (Part.top + Part.bottom) / 2);
    SendMessageW(S->StatusBar, WM_LBUTTONDOWN, MK_LBUTTON, Point);
    SendMessageW(S->StatusBar, WM_LBUTTONUP, 0, Point);
    return S->View.VisibleCount;
  };
  EXPECT_EQ(Click(At[lError]), 5);
  EXPECT_NE(S->Status.StatusText.find("Hidden: Warnings, Infos, Debug, Trace, Other lines"), std::string::npos);
  EXPECT_EQ(S->Counters.InfoCount, 45) << "the counters stay those of the whole file";
  EXPECT_EQ(Click(At[lInfo]), 45) << "another counter switches to its level";
  EXPECT_EQ(Click(At[lInfo]), 50) << "the same again shows all";
  EXPECT_EQ(S->Status.StatusText.find("Hidden"), std::string::npos);
  EXPECT_EQ(Click(At[lWarn]), 0);
  EXPECT_EQ(Click(Part.left + 1), 0) << "left of the counters nothing changes";
}

// The page as the list control paints it, read back from a bitmap of its size.
class TPaintedPage {
 public:
  explicit TPaintedPage(TSkerrinState& S) {
    RECT Client{};
    GetClientRect(S.ListWindow, &Client);
    Width = Client.right;
    Height = Client.bottom;
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width, -Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    HDC Memory = CreateCompatibleDC(nullptr);
    HBITMAP Bitmap = CreateDIBSection(Memory, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    HGDIOBJ Old = SelectObject(Memory, Bitmap);
    PaintRows(S, S.ListWindow, Memory, S.Rows->WrapsLines());
    GdiFlush();
    const auto* Pixels = static_cast<const uint32_t*>(Bits);
    Colours.assign(Pixels, Pixels + static_cast<size_t>(Width) * static_cast<size_t>(Height));
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
  }
  // The pixels of Colour in line Y.
  int Count(int Y, TColor Colour) const {
    const uint32_t Wanted = ((Colour & 0xFF) << 16) | (Colour & 0xFF00) | ((Colour >> 16) & 0xFF);
    int Found = 0;
    for (int X = 0; X < Width; ++X) Found += (Colours[static_cast<size_t>(Y * Width + X)] & 0xFFFFFF) == Wanted;
    return Found;
  }
  int Width = 0, Height = 0;

 private:
  std::vector<uint32_t> Colours;
};

// Each row's band on the page, as the rows were painted.
std::vector<std::pair<int, int>> RowBands(TSkerrinState& S, int Height) {
  std::vector<std::pair<int, int>> Bands;
  const TPageLayout Page = ComputePageLayout(S, Height);
  int Y = Page.FirstY;
  for (int32_t Row = Page.FirstRow; Row < S.View.VisibleCount && Y < Height; ++Row) {
    Bands.push_back({Y, S.Rows->RowHeight(Row)});
    Y += Bands.back().second;
  }
  return Bands;
}

// The filter's text is highlighted in every visible row, the selected one too, in both controls
// and both looks; the last search as well, until the filter changes. A match on the second line
// of a wrapped row is highlighted inside the height the row was measured for.
TEST_F(InProcessViewer, MatchesAreHighlightedInEveryRowOfBothControlsInBothLooks) {
  for (const bool Wrap : {false, true}) {
    for (const int Theme : {1, 2}) {
      const std::string Label = std::string(Wrap ? "wrapped" : "one line") + (Theme == 2 ? ", dark" : ", light");
      Open(60, Wrap,
           "2024-01-01 10:00:00 INFO " + std::string(150, 'x') + " " + std::string(150, 'x') + " line 1x\r\n");
      AppSettings.ThemeMode = Theme;
      SetWindowTextW(S->Bar.FilterEdit, L"line 1");
      RebuildView(*S, false, true);
      ASSERT_EQ(S->View.VisibleCount, 12) << Label;
      ASSERT_EQ(CurrentRow(*S), 0);
      const TPaintedPage Page(*S);
      const auto Bands = RowBands(*S, Page.Height);
      ASSERT_GE(Bands.size(), 10u) << Label;
      for (size_t Row = 0; Row < 10; ++Row)
        EXPECT_GT(Page.Count(Bands[Row].first + 1, FilterMatchBack), 10) << Label << " row " << Row;
      const auto [Top, Height] = Bands[11];
      int Lowest = -1;
      for (int Y = Top; Y < std::min(Top + Height, Page.Height); ++Y)
        if (Page.Count(Y, FilterMatchBack) > 0) Lowest = Y;
      if (Wrap) {
        EXPECT_GT(Height, 2 * S->Metrics.RowHeight) << "the long line wraps";
        EXPECT_GT(Lowest, Top + S->Metrics.TextHeight) << "its match is on a later line";
        EXPECT_LT(Lowest, Top + Height) << "inside its row";
      }

      ASSERT_TRUE(SelectSearchMatch(*S, "line 15", false, false, false, false));
      const int Found = CurrentRow(*S);
      const TPaintedPage Searched(*S);
      const auto SearchBands = RowBands(*S, Searched.Height);
      EXPECT_EQ(SearchBands, Bands) << "highlights change no row's height";
      const int FoundIndex = Found - ComputePageLayout(*S, Searched.Height).FirstRow;
      ASSERT_GE(FoundIndex, 0);
      EXPECT_GT(Searched.Count(SearchBands[static_cast<size_t>(FoundIndex)].first + 1, SearchMatchBack), 10) << Label;
      SetWindowTextW(S->Bar.FilterEdit, L"line 15");
      SendMessageW(Viewer, WM_TIMER, FilterTimerId, 0);
      ASSERT_EQ(S->View.VisibleCount, 1);
      const TPaintedPage Refiltered(*S);
      EXPECT_GT(Refiltered.Count(RowBands(*S, Refiltered.Height)[0].first + 1, FilterMatchBack), 10) << Label;
      int SearchPixels = 0;
      for (int Y = 0; Y < Refiltered.Height; ++Y) SearchPixels += Refiltered.Count(Y, SearchMatchBack);
      EXPECT_EQ(SearchPixels, 0) << Label << ": a new filter ends the search's highlights";
      TearDown();
      Log.reset();
      Host.reset();
    }
  }
}

}  // namespace

// An item of the "more" menu does what its control would have done.
TEST_F(InProcessViewer, TheMoreMenuStandsInForTheControlsItHolds) {
  Open(30, false);
  SelectRow(*S, 0, true, true, true);
  MoreMenuChoice(*S, IdNextError);
  EXPECT_EQ(CurrentRow(*S), 3);
  MoreMenuChoice(*S, IdNextError);
  EXPECT_EQ(CurrentRow(*S), 13);
}

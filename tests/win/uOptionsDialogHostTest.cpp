// The options dialog as a user reaches it: the Options button of a viewer of the built plug-in,
// the dialog's controls driven through the messages they send, the settings file read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win/uWinTestSupport.h"

namespace {

const std::string ApacheLines =
    "127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.gif HTTP/1.0\" 200 2326\r\n"
    "127.0.0.1 - - [10/Oct/2000:13:55:37 -0700] \"GET /b.gif HTTP/1.0\" 404 120\r\n"
    "127.0.0.1 - - [10/Oct/2000:13:55:38 -0700] \"GET /c.gif HTTP/1.0\" 500 90\r\n"
    "127.0.0.1 - - [10/Oct/2000:13:55:39 -0700] \"GET /d.gif HTTP/1.0\" 200 77\r\n"
    "127.0.0.1 - - [10/Oct/2000:13:55:40 -0700] \"GET /e.gif HTTP/1.0\" 200 78\r\n";

// The file the dialog starts from in every test: defaults, and one key of the user's own.
const char StartingIni[] = "[Mine]\r\nKeep=1\r\n";

HWND OptionsWindow() { return FindWindowW(L"WLXLogOptionsWindow", nullptr); }

// What a control sends its parent when the user uses it.
void Notify(HWND Control, int Code) {
  SendMessageW(GetParent(Control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Control), Code),
               reinterpret_cast<LPARAM>(Control));
}

bool IsChecked(HWND Box) { return reinterpret_cast<INT_PTR>(GetPropW(Box, L"WLXLogOptChecked")) == 2; }

std::wstring ListLine(HWND List, int Index) {
  const LRESULT Length = SendMessageW(List, LB_GETTEXTLEN, Index, 0);
  if (Length < 0) return L"<none>";
  std::wstring Text(static_cast<size_t>(Length) + 1, L'\0');
  SendMessageW(List, LB_GETTEXT, Index, reinterpret_cast<LPARAM>(Text.data()));
  Text.resize(static_cast<size_t>(Length));
  return Text;
}

// The screen's density, which the dialog and the viewer scale to (96 unless the prefix says more).
int ScreenDpi() {
  HDC Screen = GetDC(nullptr);
  const int Dpi = GetDeviceCaps(Screen, LOGPIXELSY);
  ReleaseDC(nullptr, Screen);
  return Dpi;
}

class OptionsDialog : public ::testing::Test {
 protected:
  // A copy of the plug-in of its own, so that what the dialog saves stays away from the other
  // suites, and loaded afresh for each test: the settings in force, which the dialog starts
  // from, are read from the file once per load.
  void SetUp() override {
    Library = std::make_unique<TPluginCopy>(L"SkerrinOptionsTest", StartingIni);
    ASSERT_NE(Library->Handle(), nullptr);
  }
  void TearDown() override { Library.reset(); }
  static inline std::unique_ptr<TPluginCopy> Library;

  static std::wstring Ini() { return Library->SettingsFile(); }
  static void WriteIni(const std::string& Text) {
    HANDLE File = CreateFileW(Ini().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD Written = 0;
    WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    CloseHandle(File);
  }
  static std::string IniBytes() {
    HANDLE File = CreateFileW(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string Bytes(1 << 16, '\0');
    DWORD Read = 0;
    ReadFile(File, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Read, nullptr);
    CloseHandle(File);
    Bytes.resize(Read);
    return Bytes;
  }
  static std::wstring Key(const wchar_t* Section, const wchar_t* Name) {
    wchar_t Value[256] = L"";
    GetPrivateProfileStringW(Section, Name, L"<missing>", Value, 256, Ini().c_str());
    return Value;
  }

  std::unique_ptr<TPluginViewer> Open(const std::string& Content = ApacheLines, bool Visible = false) {
    Log = std::make_unique<TTempLog>(Content, L"skerrin_options_test.log");
    return std::make_unique<TPluginViewer>(Log->Path(), 0, Visible, 1000, 600, Library.get());
  }

  // Presses the viewer's Options button; Inside runs while the dialog is open and should end it
  // (or leave a message behind that does). False when the dialog never appeared.
  static bool WithOptions(TPluginViewer& V, const std::function<void(HWND)>& Inside, bool Pump = true) {
    HWND Button = V.Control(IdOptions);
    bool Seen = false;
    const bool Ran = WithinModalLoop([&] { Notify(Button, BN_CLICKED); },
                                     [&] {
                                       HWND Dialog = OptionsWindow();
                                       Seen = Dialog != nullptr;
                                       if (Seen) Inside(Dialog);
                                     });
    if (Pump) PumpMessages(20);
    return Ran && Seen;
  }
  // Presses OK when the settings file cannot be written, and answers the message that says so;
  // its text is the result.
  static std::wstring OkDespiteAFailedSave(HWND Dialog) {
    std::wstring Reported;
    WithinModalLoop([&] { Click(Dialog, 1); },
                    [&] {
                      HWND Box = FindWindowW(L"#32770", L"Skerrin Options");
                      ASSERT_NE(Box, nullptr);
                      HWND Text = FindWindowExW(Box, nullptr, L"Static", nullptr);
                      while (Text && TextOf(Text).empty()) Text = FindWindowExW(Box, Text, L"Static", nullptr);
                      Reported = TextOf(Text);
                      SendMessageW(Box, WM_COMMAND, IDOK, 0);
                    });
    return Reported;
  }
  static LONG ListFontHeight(const TPluginViewer& V) {
    LOGFONTW Font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(V.Control(IdList), WM_GETFONT, 0, 0)), sizeof(Font), &Font);
    return std::abs(Font.lfHeight);
  }

  static HWND Ctl(HWND Dialog, int Id) { return FindControl(Dialog, Id); }
  static void Click(HWND Dialog, int Id) { Notify(Ctl(Dialog, Id), BN_CLICKED); }
  static void Choose(HWND Dialog, int Id, int Entry) {
    HWND Combo = Ctl(Dialog, Id);
    SendMessageW(Combo, CB_SETCURSEL, Entry, 0);
    Notify(Combo, CBN_SELCHANGE);
  }
  static int Selection(HWND Dialog, int Id) {
    return static_cast<int>(SendMessageW(Ctl(Dialog, Id), CB_GETCURSEL, 0, 0));
  }
  static void Type(HWND Dialog, int Id, const wchar_t* Text) { SetWindowTextW(Ctl(Dialog, Id), Text); }
  static void ShowPage(HWND Dialog, int Page) {
    HWND Tabs = Ctl(Dialog, 3000);
    SendMessageW(Tabs, TCM_SETCURSEL, Page, 0);
    NMHDR Header{Tabs, 3000, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(Dialog, WM_NOTIFY, 3000, reinterpret_cast<LPARAM>(&Header));
  }
  static bool Shown(HWND Dialog, int Id) { return IsWindowVisible(Ctl(Dialog, Id)) != FALSE; }
  static bool Enabled(HWND Dialog, int Id) { return IsWindowEnabled(Ctl(Dialog, Id)) != FALSE; }

  std::unique_ptr<TTempLog> Log;
};

TEST_F(OptionsDialog, AppearsModalWithItsCaptionPagesAndDetectedFormat) {
  auto V = Open();
  HWND Host = V->HostWindow().Top();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    wchar_t Caption[64] = L"";
    GetWindowTextW(Dialog, Caption, 64);
    EXPECT_STREQ(Caption, L"Skerrin Options");
    EXPECT_TRUE(IsWindowVisible(Dialog));
    EXPECT_EQ(GetWindow(Dialog, GW_OWNER), Host) << "owned by the lister window";
    EXPECT_FALSE(IsWindowEnabled(Host)) << "the lister waits while the dialog is open";
    RECT R{};
    GetWindowRect(Dialog, &R);
    EXPECT_EQ(R.right - R.left, MulDiv(436, ScreenDpi(), 96)) << "654 at 144 DPI";
    EXPECT_EQ(R.bottom - R.top, MulDiv(442, ScreenDpi(), 96)) << "663 at 144 DPI";
    const struct {
      int Id, X, Y, W, H;
    } Places[] = {{3000, 10, 10, 408, 358}, {1, 258, 372, 75, 26}, {2, 342, 372, 75, 26}};
    for (const auto& P : Places) {
      RECT C{};
      GetWindowRect(Ctl(Dialog, P.Id), &C);
      MapWindowPoints(nullptr, Dialog, reinterpret_cast<POINT*>(&C), 2);
      const int Dpi = ScreenDpi();
      EXPECT_EQ(C.left, MulDiv(P.X, Dpi, 96)) << P.Id;
      EXPECT_EQ(C.top, MulDiv(P.Y, Dpi, 96)) << P.Id;
      EXPECT_EQ(C.right - C.left, MulDiv(P.W, Dpi, 96)) << P.Id;
      EXPECT_EQ(C.bottom - C.top, MulDiv(P.H, Dpi, 96)) << P.Id;
    }
    HWND Tabs = Ctl(Dialog, 3000);
    ASSERT_EQ(SendMessageW(Tabs, TCM_GETITEMCOUNT, 0, 0), 5);
    const wchar_t* Names[] = {L"View", L"Colors", L"Color Rules", L"Format", L"Tail"};
    for (int I = 0; I < 5; ++I) {
      wchar_t Text[32] = L"";
      TCITEMW Item{};
      Item.mask = TCIF_TEXT;
      Item.pszText = Text;
      Item.cchTextMax = 32;
      SendMessageW(Tabs, TCM_GETITEMW, I, reinterpret_cast<LPARAM>(&Item));
      EXPECT_STREQ(Text, Names[I]);
    }
    EXPECT_EQ(TextOf(Ctl(Dialog, 3001)), L"Detected format: Apache Access");
    EXPECT_TRUE(Shown(Dialog, 3101)) << "the View page first";
    EXPECT_FALSE(Shown(Dialog, 3401));
    ShowPage(Dialog, 4);
    EXPECT_TRUE(Shown(Dialog, 3401));
    EXPECT_FALSE(Shown(Dialog, 3101));
    Click(Dialog, 2);
  }));
  EXPECT_EQ(OptionsWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(Host)) << "enabled again";
}

TEST_F(OptionsDialog, OkStoresTheEditedValuesWithTheirLimits) {
  auto V = Open();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    EXPECT_EQ(TextOf(Ctl(Dialog, 3102)), L"5");
    EXPECT_EQ(TextOf(Ctl(Dialog, 3402)), L"1000");
    Type(Dialog, 3102, L"0");
    Type(Dialog, 3106, L"4");
    Type(Dialog, 3402, L"50");
    Click(Dialog, 3101);
    Click(Dialog, 3103);
    Click(Dialog, 3110);
    Choose(Dialog, 3108, 1);
    // Enter in a field means OK.
    SetFocus(Ctl(Dialog, 3402));
    PostMessageW(Ctl(Dialog, 3402), WM_KEYDOWN, VK_RETURN, 0);
  }));
  EXPECT_EQ(OptionsWindow(), nullptr);
  const struct {
    const wchar_t *Section, *Name, *Value;
  } Expected[] = {
      {L"View", L"LineNumWidth", L"1"}, {L"View", L"FontSize", L"6"},
      {L"Tail", L"IntervalMs", L"200"}, {L"View", L"ShowLineNumbers", L"0"},
      {L"View", L"WordWrap", L"1"},     {L"View", L"CloseOnEscInLister", L"0"},
      {L"Theme", L"Mode", L"1"},        {L"CustomFormat", L"FieldCount", L"8"},
      {L"Tail", L"Enabled", L"0"},      {L"Mine", L"Keep", L"1"},
  };
  for (const auto& E : Expected) EXPECT_EQ(Key(E.Section, E.Name), E.Value) << E.Section << "/" << E.Name;
}

TEST_F(OptionsDialog, CancelTheCloseBoxAndEscChangeNothing) {
  auto V = Open();
  const std::string Before = IniBytes();
  const std::function<void(HWND)> Ways[] = {
      [](HWND Dialog) { Click(Dialog, 2); },
      [](HWND Dialog) { PostMessageW(Dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
      [](HWND Dialog) {
        SetFocus(Ctl(Dialog, 3102));
        PostMessageW(Ctl(Dialog, 3102), WM_KEYDOWN, VK_ESCAPE, 0);
      },
  };
  for (size_t Way = 0; Way < std::size(Ways); ++Way) {
    SCOPED_TRACE(Way);
    ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
      Type(Dialog, 3102, L"3");
      Click(Dialog, 3101);
      Choose(Dialog, 3108, 2);
      ShowPage(Dialog, 2);
      Type(Dialog, 3502, L"never stored");
      Click(Dialog, 3508);
      Ways[Way](Dialog);
    }));
    EXPECT_EQ(OptionsWindow(), nullptr);
    EXPECT_EQ(IniBytes(), Before);
    ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
      EXPECT_EQ(TextOf(Ctl(Dialog, 3102)), L"5");
      EXPECT_TRUE(IsChecked(Ctl(Dialog, 3101)));
      EXPECT_EQ(Selection(Dialog, 3108), 0);
      EXPECT_EQ(SendMessageW(Ctl(Dialog, 3501), LB_GETCOUNT, 0, 0), 0);
      Click(Dialog, 2);
    }));
  }
}

TEST_F(OptionsDialog, FormatPageShowsOnlyWhatAppliesAndStoresOneDelimiter) {
  auto V = Open();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    ShowPage(Dialog, 3);
    EXPECT_TRUE(IsChecked(Ctl(Dialog, 3301)));
    EXPECT_FALSE(Enabled(Dialog, 3302)) << "no forced format while detecting";
    for (int Id : {3314, 3303, 3315, 3304, 3317, 3340, 3357, 3318, 3306, 3313}) EXPECT_FALSE(Shown(Dialog, Id)) << Id;

    Click(Dialog, 3301);
    PumpMessages(20);
    EXPECT_TRUE(Enabled(Dialog, 3302));
    EXPECT_FALSE(Shown(Dialog, 3303)) << "not the custom format yet";
    Choose(Dialog, 3302, 9);
    Choose(Dialog, 3303, 0);
    PumpMessages(20);
    for (int Id : {3314, 3303, 3315, 3304, 3317, 3340, 3347, 3350, 3357}) EXPECT_TRUE(Shown(Dialog, Id)) << Id;
    for (int Id : {3318, 3321, 3306, 3313}) EXPECT_FALSE(Shown(Dialog, Id)) << Id;

    Choose(Dialog, 3303, 1);
    PumpMessages(20);
    for (int Id : {3315, 3304, 3317, 3340, 3357}) EXPECT_FALSE(Shown(Dialog, Id)) << Id;
    for (int Id : {3318, 3321, 3306, 3313}) EXPECT_TRUE(Shown(Dialog, Id)) << Id;

    Choose(Dialog, 3303, 0);
    Type(Dialog, 3304, L";;");
    Choose(Dialog, 3352, 4);
    Click(Dialog, 1);
  }));
  EXPECT_EQ(Key(L"Format", L"AutoDetect"), L"0");
  EXPECT_EQ(Key(L"Format", L"ForceFormat"), L"9");
  EXPECT_EQ(Key(L"CustomFormat", L"Mode"), L"0");
  EXPECT_EQ(Key(L"CustomFormat", L"Delimiter"), L"59");
  EXPECT_EQ(Key(L"CustomFormat", L"Field2"), L"4");
  EXPECT_EQ(TextOf(V->Control(IdFormatCombo)), L"Custom (user-defined)") << "the viewer shows the forced format";
}

TEST_F(OptionsDialog, RulesAreAddedUpdatedAndDeletedUpToTwenty) {
  auto V = Open();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    ShowPage(Dialog, 2);
    HWND List = Ctl(Dialog, 3501);
    EXPECT_EQ(TextOf(Ctl(Dialog, 3503)), L"BG #ffffff");
    EXPECT_EQ(TextOf(Ctl(Dialog, 3504)), L"FG Auto");
    EXPECT_FALSE(Enabled(Dialog, 3504)) << "FG auto is checked";
    Type(Dialog, 3502, L"   ");
    Click(Dialog, 3508);
    EXPECT_EQ(SendMessageW(List, LB_GETCOUNT, 0, 0), 0) << "a blank pattern adds nothing";

    Type(Dialog, 3502, L"timeout");
    Click(Dialog, 3508);
    EXPECT_EQ(ListLine(List, 0), L"[x] timeout -> BG #ffffff / FG Auto");
    for (int I = 1; I < 22; ++I) {
      Type(Dialog, 3502, (L"rule " + std::to_wstring(I)).c_str());
      Click(Dialog, 3508);
    }
    EXPECT_EQ(SendMessageW(List, LB_GETCOUNT, 0, 0), 20) << "twenty at most";
    EXPECT_EQ(ListLine(List, 19), L"[x] rule 19 -> BG #ffffff / FG Auto");

    SendMessageW(List, LB_SETCURSEL, 3, 0);
    Notify(List, LBN_SELCHANGE);
    EXPECT_EQ(TextOf(Ctl(Dialog, 3502)), L"rule 3");
    Type(Dialog, 3502, L"\u00e9t\u00e9 \u20ac");
    Click(Dialog, 3506);
    EXPECT_FALSE(Enabled(Dialog, 3503)) << "a rule with a level takes its colours";
    EXPECT_TRUE(Enabled(Dialog, 3507));
    Choose(Dialog, 3507, 1);
    EXPECT_EQ(ListLine(List, 3), L"[x] rule 3 -> BG #ffffff / FG Auto") << "nothing changes before Update";
    Click(Dialog, 3509);
    EXPECT_EQ(ListLine(List, 3), L"[x] \u00e9t\u00e9 \u20ac -> WARN");
    Click(Dialog, 3505);
    EXPECT_EQ(ListLine(List, 3), L"[ ] \u00e9t\u00e9 \u20ac -> WARN") << "Enabled applies at once";
    EXPECT_EQ(SendMessageW(List, LB_GETCURSEL, 0, 0), 3);

    SendMessageW(List, LB_SETCURSEL, 19, 0);
    Notify(List, LBN_SELCHANGE);
    Click(Dialog, 3510);
    EXPECT_EQ(SendMessageW(List, LB_GETCOUNT, 0, 0), 19);
    EXPECT_EQ(SendMessageW(List, LB_GETCURSEL, 0, 0), 18) << "the new last entry";
    EXPECT_EQ(TextOf(Ctl(Dialog, 3502)), L"rule 18");
    SendMessageW(List, LB_SETCURSEL, 0, 0);
    Notify(List, LBN_SELCHANGE);
    Click(Dialog, 3510);
    EXPECT_EQ(ListLine(List, 0), L"[x] rule 1 -> BG #ffffff / FG Auto");
    Click(Dialog, 1);
  }));
  EXPECT_EQ(Key(L"ColorRules", L"Count"), L"18");
  EXPECT_EQ(Key(L"ColorRule2", L"PatternUtf8Hex"), L"C3A974C3A920E282AC");
  EXPECT_EQ(Key(L"ColorRule2", L"Enabled"), L"0");
  EXPECT_EQ(Key(L"ColorRule2", L"UseLevel"), L"1");
  EXPECT_EQ(Key(L"ColorRule2", L"Level"), L"1");
}

// Chooses Red, Green, Blue in the platform's colour dialog that pressing Button opens; false
// when none opened.
bool PickInColorDialog(HWND Button, int Red, int Green, int Blue, bool Confirm = true) {
  bool Seen = false;
  WithinModalLoop([&] { Notify(Button, BN_CLICKED); },
                  [&] {
                    HWND Chooser = FindWindowW(L"#32770", nullptr);
                    Seen = Chooser && GetDlgItem(Chooser, 706);
                    if (!Seen) return;
                    const int Ids[] = {706, 707, 708}, Values[] = {Red, Green, Blue};
                    for (int I = 0; I < 3; ++I) {
                      HWND Edit = GetDlgItem(Chooser, Ids[I]);
                      SetWindowTextW(Edit, std::to_wstring(Values[I]).c_str());
                      SendMessageW(Chooser, WM_COMMAND, MAKEWPARAM(Ids[I], EN_UPDATE), reinterpret_cast<LPARAM>(Edit));
                    }
                    SendMessageW(Chooser, WM_COMMAND, Confirm ? IDOK : IDCANCEL, 0);
                  });
  return Seen;
}

TEST_F(OptionsDialog, ColoursArePickedPerSchemeAndKeptWhenSwitchingSchemes) {
  auto V = Open();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3111), 1, 2, 3));
    EXPECT_EQ(TextOf(Ctl(Dialog, 3111)), L"Window BG #010203");
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3113), 9, 9, 9, false));
    EXPECT_EQ(TextOf(Ctl(Dialog, 3113)), L"Bar Darkmode #202020") << "a cancelled choice changes nothing";
    ShowPage(Dialog, 1);
    EXPECT_EQ(TextOf(Ctl(Dialog, 3201)), L"BG #ffaaaa");
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3201), 255, 0, 16));
    EXPECT_EQ(TextOf(Ctl(Dialog, 3201)), L"BG #ff0010");
    Choose(Dialog, 3220, 1);
    EXPECT_EQ(TextOf(Ctl(Dialog, 3201)), L"BG #402010") << "the dark scheme's error background";
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3216), 1, 1, 1));
    Choose(Dialog, 3220, 0);
    EXPECT_EQ(TextOf(Ctl(Dialog, 3201)), L"BG #ff0010") << "kept while the other scheme was shown";
    ShowPage(Dialog, 2);
    Type(Dialog, 3502, L"x");
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3503), 0, 128, 0));
    EXPECT_EQ(TextOf(Ctl(Dialog, 3503)), L"BG #008000");
    Click(Dialog, 3511);
    EXPECT_TRUE(Enabled(Dialog, 3504)) << "FG auto unchecked";
    ASSERT_TRUE(PickInColorDialog(Ctl(Dialog, 3504), 0, 0, 255));
    EXPECT_EQ(TextOf(Ctl(Dialog, 3504)), L"FG #0000ff");
    Click(Dialog, 3511);
    Click(Dialog, 3508);
    EXPECT_EQ(ListLine(Ctl(Dialog, 3501), 0), L"[x] x -> BG #008000 / FG Auto") << "FG auto wins";
    Click(Dialog, 1);
  }));
  EXPECT_EQ(Key(L"View", L"WindowBgColor"), std::to_wstring(RGB(1, 2, 3)));
  EXPECT_EQ(Key(L"ColorsLight", L"ErrBg"), std::to_wstring(RGB(255, 0, 16)));
  EXPECT_EQ(Key(L"ColorsDark", L"CustomFg"), std::to_wstring(RGB(1, 1, 1)));
  EXPECT_EQ(Key(L"ColorRule0", L"Color"), std::to_wstring(RGB(0, 128, 0)));
  EXPECT_EQ(Key(L"ColorRule0", L"FgColor"), L"-1");
}

TEST_F(OptionsDialog, AlwaysDarkDarkensAtOnceAndCancelKeepsTheStoredMode) {
  auto V = Open(ApacheLines, true);
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    PumpMessages(50);
    EXPECT_NE(ScreenPixel(Dialog, 4, 4), RGB(32, 32, 32)) << "light to begin with";
    Choose(Dialog, 3108, 2);
    EXPECT_EQ(ScreenPixel(Dialog, 4, 4), RGB(32, 32, 32)) << "the margin, at once";
    HWND Tabs = Ctl(Dialog, 3000);
    // Painted afresh, as showing another page paints it.
    RedrawWindow(Tabs, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages(50);
    RECT LastTab{}, Strip{};
    SendMessageW(Tabs, TCM_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&LastTab));
    GetClientRect(Tabs, &Strip);
    EXPECT_EQ(ScreenPixel(Tabs, (LastTab.right + Strip.right) / 2, (LastTab.top + LastTab.bottom) / 2), RGB(32, 32, 32))
        << "the tab strip right of the tabs";
    HWND Digits = Ctl(Dialog, 3102);
    EXPECT_EQ(ScreenPixel(Digits, 2, 2), RGB(42, 42, 42)) << "an input field";
    Click(Dialog, 2);
  }));
  EXPECT_EQ(Key(L"Theme", L"Mode"), L"<missing>");
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    EXPECT_EQ(Selection(Dialog, 3108), 0);
    PumpMessages(50);
    EXPECT_EQ(ScreenPixel(Dialog, 4, 4), GetSysColor(COLOR_BTNFACE));
    Click(Dialog, 2);
  }));
}

TEST_F(OptionsDialog, TheViewerTakesANewFontSizeAndLineNumbersAtOnce) {
  auto V = Open();
  ASSERT_TRUE(V->Checked(IdLineNumBox));
  const LONG Before = ListFontHeight(*V);
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    Type(Dialog, 3106, L"20");
    Click(Dialog, 3101);
    Click(Dialog, 1);
  }));
  EXPECT_FALSE(V->Checked(IdLineNumBox)) << "line numbers off";
  EXPECT_GT(ListFontHeight(*V), Before);
  EXPECT_EQ(ListFontHeight(*V), MulDiv(20, ScreenDpi(), 72));
}

TEST_F(OptionsDialog, AFailedSaveIsReportedAndTheSettingsStillApply) {
  auto V = Open();
  HANDLE Lock = CreateFileW(Ini().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  std::wstring Reported;
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    Type(Dialog, 3106, L"17");
    Reported = OkDespiteAFailedSave(Dialog);
  }));
  CloseHandle(Lock);
  EXPECT_NE(Reported.find(Ini()), std::wstring::npos)
      << "names the file: " << std::string(Reported.begin(), Reported.end());
  EXPECT_EQ(OptionsWindow(), nullptr);
  EXPECT_EQ(ListFontHeight(*V), MulDiv(17, ScreenDpi(), 72)) << "the change applies to this session";
  EXPECT_EQ(IniBytes(), StartingIni);
}

// Where the file cannot be written (a plug-in under Program Files), the viewer's own changes
// hold only in memory: the dialog shows them, and OK changes only what was changed in it.
TEST_F(OptionsDialog, StartsFromTheSettingsInForceAndOkKeepsWhatItDidNotChange) {
  auto V = Open();
  // Readable, but it cannot be replaced, so every save fails.
  HANDLE Held = CreateFileW(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Held, INVALID_HANDLE_VALUE);
  V->Command(1204);       // the context menu's Word wrap
  V->Click(1112, false);  // Line#
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    EXPECT_TRUE(IsChecked(Ctl(Dialog, 3103))) << "word wrap, in force but not stored";
    EXPECT_FALSE(IsChecked(Ctl(Dialog, 3101))) << "line numbers, in force but not stored";
    Type(Dialog, 3106, L"12");
    OkDespiteAFailedSave(Dialog);
  }));
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    EXPECT_TRUE(IsChecked(Ctl(Dialog, 3103))) << "kept by OK";
    EXPECT_FALSE(IsChecked(Ctl(Dialog, 3101))) << "kept by OK";
    EXPECT_EQ(TextOf(Ctl(Dialog, 3106)), L"12");
    Click(Dialog, 2);
  }));
  CloseHandle(Held);
  EXPECT_FALSE(V->Checked(1112)) << "the viewer keeps its line numbers off";
}

// A delimiter is a byte of an 8-bit log: the box shows it as the system code page's character
// and reads a character back the same way, so OK without an edit keeps every byte.
TEST_F(OptionsDialog, ADelimiterByteAbove127ReadsBackAsTheByteItShows) {
  WriteIni("[CustomFormat]\r\nDelimiter=167\r\n");
  auto V = Open();
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) { Click(Dialog, 1); }));
  EXPECT_EQ(Key(L"CustomFormat", L"Delimiter"), L"167");
  char Typed = 0;
  ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, L"\u00e9", 1, &Typed, 1, nullptr, nullptr), 1);
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    Type(Dialog, 3304, L"\u00e9");
    Click(Dialog, 1);
  }));
  EXPECT_EQ(Key(L"CustomFormat", L"Delimiter"), std::to_wstring(static_cast<unsigned char>(Typed)));
}

TEST_F(OptionsDialog, AQuitRequestEndsTheDialogAsCancelAndIsPassedOn) {
  auto V = Open();
  const std::string Before = IniBytes();
  const bool Numbers = V->Checked(IdLineNumBox);
  ASSERT_TRUE(WithOptions(
      *V,
      [&](HWND Dialog) {
        Click(Dialog, 3101);
        PostQuitMessage(7);
      },
      false));
  EXPECT_EQ(OptionsWindow(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(V->HostWindow().Top()));
  MSG Quit{};
  ASSERT_TRUE(PeekMessageW(&Quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "posted again for the host";
  EXPECT_EQ(Quit.wParam, 7u);
  EXPECT_EQ(IniBytes(), Before);
  EXPECT_EQ(V->Checked(IdLineNumBox), Numbers);
}

TEST_F(OptionsDialog, ClosingTheListerWhileTheDialogIsOpenEndsIt) {
  auto V = Open();
  HWND Viewer = V->Window();
  ASSERT_TRUE(WithOptions(*V, [&](HWND) { DestroyWindow(V->HostWindow().Top()); }));
  EXPECT_EQ(OptionsWindow(), nullptr);
  EXPECT_FALSE(IsWindow(Viewer));
}

TEST_F(OptionsDialog, EveryViewerKeepsItsFilterAndPlaceThroughAReloadAndAControlChange) {
  std::string Text;
  for (int I = 0; I < 400; ++I)
    Text +=
        "2024-01-01 10:00:00 " + std::string(I % 10 == 3 ? "ERROR" : "INFO") + " line " + std::to_string(I) + "\r\n";
  auto Opener = Open(Text);
  const TTempLog OtherLog(Text, L"skerrin_options_other.log");
  TPluginViewer Other(OtherLog.Path(), 0, false, 1000, 600, Library.get());
  for (TPluginViewer* V : {Opener.get(), &Other}) {
    SetWindowTextW(V->Control(IdLookEdit), L"1");
    V->Filter(L"error");
    ASSERT_EQ(V->Rows(), 80);
    V->SelectRows({40, 43}, 43);
    SendMessageW(V->Control(IdList), LB_SETTOPINDEX, 30, 0);
  }
  struct TStep {
    const char* Name;
    std::function<void(HWND)> Change;
  };
  const TStep Steps[] = {
      {"another format and word wrap on",
       [](HWND Dialog) {
         Click(Dialog, 3301);
         Choose(Dialog, 3302, 0);
         Click(Dialog, 3103);
       }},
      {"word wrap off", [](HWND Dialog) { Click(Dialog, 3103); }},
  };
  for (const TStep& Step : Steps) {
    ASSERT_TRUE(WithOptions(*Opener, [&](HWND Dialog) {
      Step.Change(Dialog);
      Click(Dialog, 1);
    }));
    for (TPluginViewer* V : {Opener.get(), &Other}) {
      const char* Which = V == &Other ? "other viewer" : "opener";
      EXPECT_EQ(TextOf(V->Control(IdFilterEdit)), L"error") << Step.Name << ", " << Which;
      EXPECT_EQ(TextOf(V->Control(IdLookEdit)), L"1") << Step.Name << ", " << Which;
      EXPECT_EQ(V->Rows(), 80) << Step.Name << ", " << Which;
      EXPECT_EQ(V->SelectedRows(), (std::vector<int>{40, 43})) << Step.Name << ", " << Which;
      EXPECT_EQ(V->CaretRow(), 43) << Step.Name << ", " << Which;
      EXPECT_EQ(V->TopRow(), 30) << Step.Name << ", " << Which;
    }
  }
  Other.Filter(L"");
  Opener->Filter(L"");
}

// Not a check: pictures of every page in both looks for a person to look at, written when
// SKERRIN_SHOT_DIR names a folder.
TEST_F(OptionsDialog, Screenshots) {
  wchar_t Dir[MAX_PATH];
  if (!GetEnvironmentVariableW(L"SKERRIN_SHOT_DIR", Dir, MAX_PATH)) GTEST_SKIP() << "SKERRIN_SHOT_DIR is not set";
  auto V = Open(ApacheLines, true);
  ASSERT_TRUE(WithOptions(*V, [&](HWND Dialog) {
    ShowPage(Dialog, 2);
    for (const wchar_t* Pattern : {L"timeout", L"GET /b.gif", L"\u00e9t\u00e9"}) {
      Type(Dialog, 3502, Pattern);
      Click(Dialog, 3508);
    }
    ShowPage(Dialog, 3);
    Click(Dialog, 3301);
    Choose(Dialog, 3302, 9);
    Choose(Dialog, 3303, 0);
    PumpMessages(50);
    const wchar_t* Pages[] = {L"view", L"colors", L"rules", L"format", L"tail"};
    for (int Look : {1, 2}) {
      ShowPage(Dialog, 0);
      Choose(Dialog, 3108, Look);
      for (int Page = 0; Page < 5; ++Page) {
        ShowPage(Dialog, Page);
        PumpMessages(100);
        SaveScreenShot((std::wstring(L"options-") + (Look == 1 ? L"light-" : L"dark-") + Pages[Page]).c_str());
      }
    }
    Click(Dialog, 2);
  }));
}

}  // namespace

#pragma once
// What the Windows tests share: the plug-in loaded as the file manager loads it (the original
// beside the test program, or a copy with settings of its own), its exports, a stand-in lister
// window that records what reaches it, viewers driven as the user drives them, temporary and
// growing log files, the clipboard, modal loops, message pumping and pixels read back from the
// screen. The viewer's controls are found by the numbers the product uses.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/uNoCopy.h"
#include "viewer/uControlIds.h"

// The lister interface's exports, as a test calls them.
using TListLoad = HWND(WINAPI*)(HWND, char*, int);
using TListLoadW = HWND(WINAPI*)(HWND, WCHAR*, int);
using TListLoadNext = int(WINAPI*)(HWND, HWND, char*, int);
using TListLoadNextW = int(WINAPI*)(HWND, HWND, WCHAR*, int);
using TListCloseWindow = void(WINAPI*)(HWND);
using TListSendCommand = int(WINAPI*)(HWND, int, int);
using TListSearchText = int(WINAPI*)(HWND, char*, int);
using TListSearchTextW = int(WINAPI*)(HWND, WCHAR*, int);
using TListSearchDialog = int(WINAPI*)(HWND, int);

// An export of a loaded library by its plain name; null when it has none.
template <typename F>
F ExportOf(HMODULE Module, const char* Name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, Name)));
}

// --- The plug-in library ------------------------------------------------------------------

// Skerrin.wlx64 in the 64-bit build, Skerrin.wlx in the 32-bit one, beside the test program.
std::wstring PluginPath();

// A loaded plug-in library and its exports; the owner that loads it also frees it.
class TPluginModule : TNoCopy {
 public:
  HMODULE Handle() const { return Module; }
  template <typename F>
  F Export(const char* Name) const {
    return ExportOf<F>(Module, Name);
  }

 protected:
  HMODULE Module = nullptr;
};

// Owns one LoadLibrary reference to the plug-in.
class TPluginLibrary : public TPluginModule {
 public:
  TPluginLibrary() { Module = LoadLibraryW(PluginPath().c_str()); }
  ~TPluginLibrary() {
    if (Module) FreeLibrary(Module);
  }
};

// --- Logs and the stand-in lister window ---------------------------------------------------

// Ten lines of one day: entries 3 and 7 are errors, 5 a warning, 2 a debug line, the rest infos.
extern const std::string TenLevelLines;

// A log file in the temporary folder, deleted again by the destructor.
class TTempLog : TNoCopy {
 public:
  explicit TTempLog(const std::string& Content, const wchar_t* Name = L"skerrin_view_test.log");
  ~TTempLog();
  const std::wstring& Path() const { return FilePath; }

 private:
  std::wstring FilePath;
};

// A top-level window standing in for the file manager's lister window (or, with QuickView, a
// child panel inside it standing in for the quick-view panel). It keeps the key messages and
// the commands (their ids) that reach its own procedure. Only a Visible host can be read back from the screen; it is
// slow to take down under a virtual display without a window manager, so others stay hidden.
class THostWindow : TNoCopy {
 public:
  explicit THostWindow(bool QuickView = false, int Width = 1000, int Height = 500, bool Visible = false);
  ~THostWindow();

  HWND Top() const { return TopWindow; }
  // Where a viewer goes: the top-level window, or the panel for a quick view.
  HWND Parent() const { return Panel ? Panel : TopWindow; }
  static WNDPROC OwnProcedure();
  struct TKey {
    UINT Msg;
    WPARAM Key;
  };
  static std::vector<TKey>& Keys();

 private:
  HWND TopWindow = nullptr;
  HWND Panel = nullptr;
};

// Dispatches the messages of the calling thread for at least Milliseconds.
void PumpMessages(DWORD Milliseconds);

// The viewer's load is read on a worker thread: pumps messages until it has ended (the summary
// no longer shows its progress). False when it did not end within a generous time.
bool WaitForLoad(HWND Viewer);
// The text of a viewer's status part, which the part carries as its owner-draw data.
std::wstring StatusPartOf(HWND Viewer, int Part);

// The child of Parent with the given control id, searched among all descendants.
HWND FindControl(HWND Parent, int Id);
std::wstring ClassOf(HWND Window);
std::wstring TextOf(HWND Window);

// The colour on screen at a point of a window's client area, after painting it.
COLORREF ClientPixel(HWND Window, int X, int Y);
// The same as the screen shows it now, without asking anything to repaint first.
COLORREF ScreenPixel(HWND Window, int X, int Y);

// --- Viewers of the plug-in and what they are driven with ---------------------------------

// The plug-in loaded once for the program, as the host keeps it: a copy in a folder of its own,
// so that its settings file is its own and other tests still see the original load and unload.
class TPluginCopy : public TPluginModule {
 public:
  // Ini, when given, is written as the copy's settings file before the library is loaded.
  explicit TPluginCopy(const wchar_t* Folder = L"SkerrinFeatureTest", const std::string& Ini = {});
  ~TPluginCopy();
  // The settings file beside the copy.
  std::wstring SettingsFile() const { return Dir + L"Skerrin.ini"; }

 private:
  std::wstring Dir;
  std::wstring Copy;
};
TPluginCopy& SharedPlugin();

// One viewer of the plug-in (SharedPlugin unless another copy is given) inside a stand-in lister
// window; closed by the destructor, after its Tail box was cleared and its Follow box set again
// (both are saved settings).
class TPluginViewer : TNoCopy {
 public:
  TPluginViewer(const std::wstring& FileName, int Flags = 0, bool Visible = false, int Width = 1000, int Height = 500,
                TPluginCopy* Plugin = nullptr);
  ~TPluginViewer();

  HWND Window() const { return Viewer; }
  HWND Control(int Id) const { return FindControl(Viewer, Id); }
  const THostWindow& HostWindow() const { return Host; }

  int Rows() const;
  std::vector<int> SelectedRows() const;
  int CaretRow() const;
  int TopRow() const;
  void SelectRows(const std::vector<int>& Rows, int Caret);
  bool Checked(int Box) const;
  // Sets a check box and sends its click to the viewer.
  void Click(int Box, bool On);
  void Command(int Id);
  // A tick of the tail timer, as the system delivers it.
  void Tick();
  // The filter box's text, applied after the typing pause.
  void Filter(const wchar_t* Text);
  // Every visible row, read back through "Copy all visible".
  std::vector<std::wstring> RowTexts();
  // The texts the two status parts carry as their owner-draw data.
  std::wstring StatusPart(int Part) const;
  // A press of the left button on a row of the listbox, as the list receives it.
  void ClickOnRow(int Row, UINT Msg = WM_LBUTTONDOWN);
  template <typename F>
  F Export(const char* Name) const {
    return Plugin->Export<F>(Name);
  }

 private:
  TPluginCopy* Plugin;
  THostWindow Host;
  HWND Viewer = nullptr;
};

// The clipboard's Unicode text ("<none>" when it holds none); and a known text put there.
std::wstring ClipboardText();
void PutOnClipboard(const std::wstring& Text);

// Lines of the clipboard text split at CR LF (the last line break ends the last line).
std::vector<std::wstring> SplitCrLf(const std::wstring& Text);

// A log file that a test writes the way loggers do. Its creation time is put back after every
// change that keeps the file, as Windows keeps it (Wine reports the last write instead).
class TGrowingLog : TNoCopy {
 public:
  TGrowingLog(const wchar_t* Name, const std::string& Initial);
  ~TGrowingLog();

  const std::wstring& Path() const { return FilePath; }
  void Append(const std::string& Bytes);
  void Truncate();
  // Renames the file away and creates a new one under the same name.
  void Rotate(const std::string& Content);
  // Writes new content of exactly the same size, with a later write time.
  void Rewrite(const std::string& Content);

 private:
  void KeepCreationTime();
  std::wstring FilePath;
  std::wstring RotatedPath;
  FILETIME Created{};
  int Rewrites = 0;
};

// Runs Action while a modal loop is expected to start; Handler is called once from inside that
// loop (through a thread timer) and must end it. False when the handler never ran.
bool WithinModalLoop(const std::function<void()>& Action, const std::function<void()>& Handler);

// Writes the screen to a BMP file when SKERRIN_SHOT_DIR is set (for looking at, not checking).
void SaveScreenShot(const wchar_t* Name);

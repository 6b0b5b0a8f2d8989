#pragma once
// Helpers for the viewer's tests: temporary log files, a stand-in lister window that records
// what reaches it, message pumping, and reading back pixels of what was drawn.

#include <windows.h>

#include <string>
#include <vector>

// A log file in the temporary folder, deleted again by the destructor.
class TTempLog {
 public:
  explicit TTempLog(const std::string& Content, const wchar_t* Name = L"skerrin_view_test.log");
  ~TTempLog();
  TTempLog(const TTempLog&) = delete;
  TTempLog& operator=(const TTempLog&) = delete;
  const std::wstring& Path() const { return FilePath; }

 private:
  std::wstring FilePath;
};

// A top-level window standing in for the file manager's lister window (or, with QuickView, a
// child panel inside it standing in for the quick-view panel). It keeps the key messages and
// the commands (their ids) that reach its own procedure. Only a Visible host can be read back from the screen; it is
// slow to take down under a virtual display without a window manager, so others stay hidden.
class THostWindow {
 public:
  explicit THostWindow(bool QuickView = false, int Width = 1000, int Height = 500, bool Visible = false);
  ~THostWindow();
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;

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

// The child of Parent with the given control id, searched among all descendants.
HWND FindControl(HWND Parent, int Id);
std::wstring ClassOf(HWND Window);
std::wstring TextOf(HWND Window);

// The colour on screen at a point of a window's client area, after painting it.
COLORREF ClientPixel(HWND Window, int X, int Y);
// The same as the screen shows it now, without asking anything to repaint first.
COLORREF ScreenPixel(HWND Window, int X, int Y);

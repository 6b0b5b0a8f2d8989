#pragma once
// Replaced window procedures. An owner of windows (a viewer, the options dialog) keeps every
// subclass it installs in one TSubclassStack, in the order installed, and takes them off newest
// first, so that every window ends with its own procedure. A subclass procedure passes messages
// on through a TPreviousProc taken before the call: the message passed on may destroy the
// window, its owner and the stack itself, and nothing of them is touched afterwards.
//
// Someone else (the host, another plug-in) may subclass a window after us and keep our
// procedure as the one it passes messages on to. Taking ours off then would cut them out, so the
// procedure stays in their chain as a stub that only passes messages on to what it replaced,
// until the window goes. A subclass procedure that finds no owner on its window answers with
// PassOnFromStub. The stubs are kept for the process and touched only on the thread that runs
// the windows, like the windows themselves.

#include <windows.h>

#include <vector>

#include "platform/uNoCopy.h"

// The path on which a window's messages reach the procedure a subclass replaced.
enum class TCallPath { Unicode, Ansi };

// A replaced procedure, held by value.
struct TPreviousProc {
  WNDPROC Proc = nullptr;
  bool Unicode = true;
  // The replaced procedure's answer; the default procedure's when there is none.
  LRESULT Call(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) const;
};

// Window properties through which a procedure that serves many windows finds, on each, its
// record and what it replaced: Record holds the record, Previous the replaced procedure and
// Unicode 1 or 0 for the path. A null name is not set; without a Unicode property the path is
// Unicode.
struct TSubclassProps {
  const wchar_t* Record;
  const wchar_t* Previous = nullptr;
  const wchar_t* Unicode = nullptr;
};

// The record set on Window under Props; null when there is none.
void* PublishedRecord(HWND Window, const TSubclassProps& Props);
// The procedure replaced on Window, as its properties tell; none when they do not.
TPreviousProc PublishedPrevious(HWND Window, const TSubclassProps& Props);
// The answer of Procedure on Window when it finds no owner there: Msg passed on to what a stub
// of it replaced (the default procedure's answer when it is no stub). With the window's last
// message the stub is forgotten.
LRESULT PassOnFromStub(HWND Window, WNDPROC Procedure, UINT Msg, WPARAM WParam, LPARAM LParam);

class TSubclassStack : TNoCopy {
 public:
  TSubclassStack() = default;
  ~TSubclassStack() { RemoveAll(); }

  // Replaces Window's procedure by Procedure. With Props, their properties are set on the
  // window first; a window that already carries Props' Previous property, or Procedure, is not
  // subclassed a second time. A stub of Procedure left on Window is taken over instead of
  // installing it again. False when nothing was installed.
  bool Install(HWND Window, WNDPROC Procedure, TCallPath Path, void* Record = nullptr,
               const TSubclassProps* Props = nullptr);
  // What Procedure replaced on Window; none when it is not installed there.
  TPreviousProc Previous(HWND Window, WNDPROC Procedure) const;
  // Takes off every subclass of Window, newest first (a window about to be destroyed). A
  // subclass that is no longer the window's procedure stays as a stub.
  void Remove(HWND Window);
  // Takes off every subclass, newest first, as Remove. Windows that are gone are only forgotten.
  void RemoveAll();

 private:
  struct TEntry {
    HWND Window;
    WNDPROC Procedure;
    TPreviousProc Replaced;
    const TSubclassProps* Props;
  };
  static void Undo(const TEntry& Entry);
  std::vector<TEntry> Entries;
};

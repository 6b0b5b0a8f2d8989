#pragma once
// How the viewer lives inside the host's windows: the subclass of the host's lister window
// that can keep it open on ESC, the key subclasses of the viewer's own controls, the context
// box's mouse wheel, and the keys of the viewer window and of the list that belong to the host.

#include <windows.h>

#include "viewer/uSkerrinState.h"
#include "toolkit/uSubclass.h"

// The window properties the subclasses set: the viewer's record, the replaced procedure, and 1
// for a window whose messages pass on through the Unicode path.
inline constexpr wchar_t ParentStateProp[] = L"WLX_SKERRIN_PARENT_STATE";
inline constexpr wchar_t EscStateProp[] = L"WLX_SKERRIN_ESC_STATE";
inline constexpr wchar_t EscPrevProcProp[] = L"WLX_SKERRIN_ESC_PREVPROC";
inline constexpr wchar_t EscUnicodeProp[] = L"WLX_SKERRIN_ESC_UNICODE";
inline constexpr wchar_t LookStateProp[] = L"WLX_SKERRIN_LOOK_STATE";
inline constexpr wchar_t LookPrevProcProp[] = L"WLX_SKERRIN_LOOK_PREVPROC";

// Only for a viewer in a separate lister window; a second viewer in the same lister window
// leaves the first one's subclass in place.
void InstallParentSubclass(TSkerrinState& S);
// Every subclass of the viewer, newest first on each window; the lister window's passes to
// another viewer still inside it.
void RemoveViewerSubclasses(TSkerrinState& S);
LRESULT CALLBACK ParentProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

bool InstallKeySubclass(TSkerrinState& S, HWND Window);
LRESULT CALLBACK KeySubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// The key subclasses of the toolbar's controls and the context box's wheel.
void InstallToolbarSubclasses(TSkerrinState& S);
LRESULT CALLBACK LookSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// Keys at the viewer window itself; true when the message was consumed (result in Result).
bool ViewerWindowKeys(TSkerrinState& S, UINT Msg, WPARAM WParam, LRESULT& Result);
// The first steps of the list control's procedure; true when consumed. Previous is the list's
// own procedure.
bool ListKeyRouting(TSkerrinState& S, UINT Msg, WPARAM WParam, LPARAM LParam, const TPreviousProc& Previous,
                    LRESULT& Result);

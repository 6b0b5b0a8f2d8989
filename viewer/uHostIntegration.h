#pragma once
// How the viewer lives inside the host's windows: the lister-window test, the subclass of the
// host's lister window that can keep it open on ESC, and the key and wheel subclasses of the
// viewer's own controls.

#include <windows.h>

#include "viewer/uSkerrinState.h"

inline constexpr wchar_t ParentStateProp[] = L"WLX_SKERRIN_PARENT_STATE";
inline constexpr wchar_t EscStateProp[] = L"WLX_SKERRIN_ESC_STATE";
inline constexpr wchar_t EscPrevProcProp[] = L"WLX_SKERRIN_ESC_PREVPROC";
inline constexpr wchar_t EscUnicodeProp[] = L"WLX_SKERRIN_ESC_UNICODE";
inline constexpr wchar_t LookStateProp[] = L"WLX_SKERRIN_LOOK_STATE";
inline constexpr wchar_t LookPrevProcProp[] = L"WLX_SKERRIN_LOOK_PREVPROC";

bool IsListerWindow(HWND Parent, int ShowFlags);

void InstallParentSubclass(TSkerrinState& S);
void RemoveParentSubclass(TSkerrinState& S);
LRESULT CALLBACK ParentProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

bool InstallKeySubclass(HWND Window, TSkerrinState* S);
void RemoveKeySubclass(HWND Window);
LRESULT CALLBACK KeySubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

bool InstallLookSubclass(HWND LookEdit, TSkerrinState* S);
void RemoveLookSubclass(HWND LookEdit);
LRESULT CALLBACK LookSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

LRESULT CALLBACK FilterEditProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// Keys at the viewer window itself; true when the message was consumed (result in Result).
bool ViewerWindowKeys(TSkerrinState& S, UINT Msg, WPARAM WParam, LRESULT& Result);
// The first steps of the list control's procedure; true when consumed.
bool ListKeyRouting(TSkerrinState& S, HWND List, UINT Msg, WPARAM WParam, LPARAM LParam,
                    const TWindowSubclass* Previous, LRESULT& Result);

// The host's status bar: its height in pixels (0 when none) and the window.
int FindHostStatusBar(HWND& Found);
// The top-level ancestor of the viewer's parent (the parent itself when it has none).
HWND HostRootWindow(const TSkerrinState& S);
// Moves the selection one row up (-1) or down (+1) without taking the focus.
void StepSelection(TSkerrinState& S, int Delta);

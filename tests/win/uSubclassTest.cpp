// The subclass helper on a window of this test program: messages pass through every subclass
// in turn, subclasses come off newest first with their properties, a subclass whose passed-on
// message frees the record and destroys the window returns without touching either, and one
// that someone else subclassed after stays in their chain, passing messages on.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "toolkit/uSubclass.h"

namespace {

constexpr UINT Note = WM_APP;
constexpr UINT Close = WM_APP + 1;

struct TRecord {
  TSubclassStack Subclasses;
  std::string Calls;
};

const TSubclassProps Props{L"SKERRIN_TEST_RECORD", L"SKERRIN_TEST_PREVPROC", L"SKERRIN_TEST_UNICODE"};

TRecord* UserRecord(HWND Window) { return reinterpret_cast<TRecord*>(GetWindowLongPtrW(Window, GWLP_USERDATA)); }

LRESULT CALLBACK Base(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == Note) UserRecord(Window)->Calls += 'b';
  if (Msg == Close) {
    delete UserRecord(Window);
    SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
    DestroyWindow(Window);
    return 0;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

// Installed first; finds what it replaced through the record.
LRESULT CALLBACK Inner(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TRecord* R = UserRecord(Window);
  const TPreviousProc Previous = R ? R->Subclasses.Previous(Window, Inner) : TPreviousProc{};
  if (Msg == Note && R) R->Calls += 'i';
  return Previous.Call(Window, Msg, WParam, LParam);
}

// Installed second; finds everything through the window's properties.
LRESULT CALLBACK Outer(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == Note) static_cast<TRecord*>(PublishedRecord(Window, Props))->Calls += 'o';
  return PublishedPrevious(Window, Props).Call(Window, Msg, WParam, LParam);
}

// Someone else's subclass, as the host or another plug-in may install one after ours.
WNDPROC ForeignReplaced = nullptr;
LRESULT CALLBACK Foreign(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == Note) UserRecord(Window)->Calls += 'f';
  return CallWindowProcW(ForeignReplaced, Window, Msg, WParam, LParam);
}

// Ours, as the viewer's are: without its record on the window it only passes messages on.
LRESULT CALLBACK Ours(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* R = static_cast<TRecord*>(PublishedRecord(Window, Props));
  if (!R) return PassOnFromStub(Window, Ours, Msg, WParam, LParam);
  if (Msg == Note) R->Calls += 'o';
  return PublishedPrevious(Window, Props).Call(Window, Msg, WParam, LParam);
}

HWND MakeWindow(TRecord* Record) {
  WNDCLASSW Class{};
  Class.lpfnWndProc = Base;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.lpszClassName = L"SkerrinSubclassTest";
  RegisterClassW(&Class);
  HWND Window =
      CreateWindowExW(0, Class.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Class.hInstance, nullptr);
  SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Record));
  return Window;
}

TEST(Subclass, PassesMessagesThroughAndComesOffNewestFirst) {
  auto* R = new TRecord;
  HWND Window = MakeWindow(R);
  ASSERT_TRUE(R->Subclasses.Install(Window, Inner, TCallPath::Unicode));
  ASSERT_TRUE(R->Subclasses.Install(Window, Outer, TCallPath::Unicode, R, &Props));
  EXPECT_FALSE(R->Subclasses.Install(Window, Outer, TCallPath::Unicode, R, &Props)) << "one per property set";
  EXPECT_EQ(GetPropW(Window, Props.Record), static_cast<HANDLE>(R));
  SendMessageW(Window, Note, 0, 0);
  EXPECT_EQ(R->Calls, "oib");

  R->Subclasses.RemoveAll();
  EXPECT_EQ(GetWindowLongPtrW(Window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Base));
  for (const wchar_t* Name : {Props.Record, Props.Previous, Props.Unicode}) EXPECT_EQ(GetPropW(Window, Name), nullptr);
  R->Calls.clear();
  SendMessageW(Window, Note, 0, 0);
  EXPECT_EQ(R->Calls, "b");
  DestroyWindow(Window);
  delete R;
}

TEST(Subclass, SurvivesTheWindowAndRecordGoingInsideAPassedOnMessage) {
  auto* R = new TRecord;
  HWND Window = MakeWindow(R);
  R->Subclasses.Install(Window, Inner, TCallPath::Unicode);
  R->Subclasses.Install(Window, Outer, TCallPath::Ansi, R, &Props);
  EXPECT_EQ(SendMessageW(Window, Close, 0, 0), 0);
  EXPECT_FALSE(IsWindow(Window));
}

TEST(Subclass, ComingOffBelowSomeoneElsesLeavesTheirChainWhole) {
  auto* R = new TRecord;
  HWND Window = MakeWindow(R);
  const auto Own = GetWindowLongPtrW(Window, GWLP_WNDPROC);
  TSubclassStack Owner;
  ASSERT_TRUE(Owner.Install(Window, Ours, TCallPath::Unicode, R, &Props));
  ForeignReplaced =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Foreign)));
  Owner.RemoveAll();
  EXPECT_EQ(GetWindowLongPtrW(Window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Foreign)) << "not cut out";
  EXPECT_EQ(GetPropW(Window, Props.Record), nullptr);
  SendMessageW(Window, Note, 0, 0);
  EXPECT_EQ(R->Calls, "fb") << "ours only passes messages on";

  // A new owner takes the procedure left in the chain over rather than entering it twice.
  ASSERT_TRUE(Owner.Install(Window, Ours, TCallPath::Unicode, R, &Props));
  R->Calls.clear();
  SendMessageW(Window, Note, 0, 0);
  EXPECT_EQ(R->Calls, "fob");
  Owner.RemoveAll();
  SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForeignReplaced));
  R->Calls.clear();
  SendMessageW(Window, Note, 0, 0);
  EXPECT_EQ(R->Calls, "b") << "the other subclasser gone, messages still reach the window's own";
  EXPECT_NE(GetWindowLongPtrW(Window, GWLP_WNDPROC), Own) << "ours stays until the window goes";
  DestroyWindow(Window);
  delete R;
}

}  // namespace

#pragma once
// Owners of Win32 handles: each releases its handle exactly once, in its destructor or when it
// is given a new one, so no path of the plug-in can leak or double-free a GDI object.

#include <windows.h>

#include <utility>

#include "platform/uNoCopy.h"

// A GDI handle created by the plug-in (never a stock object), given back by Release.
template <typename H, auto Release>
class TGdiHolder : TNoCopy {
 public:
  TGdiHolder() = default;
  explicit TGdiHolder(H Handle) : Handle(Handle) {}
  ~TGdiHolder() { Reset(); }
  TGdiHolder(TGdiHolder&& Other) noexcept : Handle(std::exchange(Other.Handle, nullptr)) {}
  TGdiHolder& operator=(TGdiHolder&& Other) noexcept {
    if (this != &Other) Reset(std::exchange(Other.Handle, nullptr));
    return *this;
  }

  H Get() const { return Handle; }
  explicit operator bool() const { return Handle != nullptr; }
  void Reset(H NewHandle = nullptr) {
    if (Handle) Release(Handle);
    Handle = NewHandle;
  }

 private:
  H Handle = nullptr;
};

using TFontHolder = TGdiHolder<HFONT, DeleteObject>;
using TBrushHolder = TGdiHolder<HBRUSH, DeleteObject>;
using TPenHolder = TGdiHolder<HPEN, DeleteObject>;
using TBitmapHolder = TGdiHolder<HBITMAP, DeleteObject>;

// A memory device context, made compatible with another by the constructor that takes one.
class TMemoryDC : public TGdiHolder<HDC, DeleteDC> {
 public:
  TMemoryDC() = default;
  explicit TMemoryDC(HDC Compatible) : TGdiHolder(CreateCompatibleDC(Compatible)) {}
};

// A window's device context, released to the same window: of its client area (GetDC; the
// screen's for a null window), or of the whole window with its frame (GetWindowDC).
enum class TDCArea { Client, Whole };
class TWindowDC : TNoCopy {
 public:
  explicit TWindowDC(HWND Window, TDCArea Area = TDCArea::Client)
      : Window(Window), DC(Area == TDCArea::Whole ? GetWindowDC(Window) : GetDC(Window)) {}
  ~TWindowDC() {
    if (DC) ReleaseDC(Window, DC);
  }
  HDC Get() const { return DC; }

 private:
  HWND Window;
  HDC DC;
};

// The font of a window's controls: a normal-weight copy of the platform's GUI font, or the
// stock font itself when no copy can be made (which is then not deleted).
class TUiFont {
 public:
  TUiFont() = default;
  // A new copy; controls that use the old one must be given the new one before it goes.
  static TUiFont NormalGuiFont();
  HFONT Get() const { return Copy ? Copy.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

 private:
  TFontHolder Copy;
};

inline TUiFont TUiFont::NormalGuiFont() {
  TUiFont Font;
  LOGFONTW Description{};
  const HGDIOBJ Stock = GetStockObject(DEFAULT_GUI_FONT);
  if (Stock && GetObjectW(Stock, sizeof(Description), &Description)) {
    Description.lfWeight = FW_NORMAL;
    Font.Copy.Reset(CreateFontIndirectW(&Description));
  }
  return Font;
}

// BeginPaint / EndPaint.
class TPaintScope : TNoCopy {
 public:
  explicit TPaintScope(HWND Window) : Window(Window) { DC = BeginPaint(Window, &Paint); }
  ~TPaintScope() { EndPaint(Window, &Paint); }
  HDC Get() const { return DC; }

 private:
  HWND Window;
  PAINTSTRUCT Paint{};
  HDC DC = nullptr;
};

// Selects an object into a device context and puts the previous one back.
class TSelectScope : TNoCopy {
 public:
  TSelectScope(HDC DC, HGDIOBJ Object) : DC(DC), Previous(Object ? SelectObject(DC, Object) : nullptr) {}
  ~TSelectScope() {
    if (Previous) SelectObject(DC, Previous);
  }

 private:
  HDC DC;
  HGDIOBJ Previous;
};

// SaveDC / RestoreDC.
class TSavedDC : TNoCopy {
 public:
  explicit TSavedDC(HDC DC) : DC(DC), Saved(SaveDC(DC)) {}
  ~TSavedDC() {
    if (Saved) RestoreDC(DC, Saved);
  }

 private:
  HDC DC;
  int Saved;
};

// WM_SETREDRAW off for the scope's life; the caller repaints afterwards.
class TRedrawSuspension : TNoCopy {
 public:
  explicit TRedrawSuspension(HWND Window) : Window(Window) {
    if (Window) SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
  }
  ~TRedrawSuspension() {
    if (Window) SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
  }

 private:
  HWND Window;
};

// Solid brushes by colour for the length of one paint: rows of one colour share a brush, so a
// paint creates a handful of brushes however many rows it draws. A handle is good until the
// next Get.
class TBrushCache : TNoCopy {
 public:
  TBrushCache() = default;

  HBRUSH Get(COLORREF Color) {
    for (int I = 0; I < Used; ++I)
      if (Colors[I] == Color) return Brushes[I].Get();
    // With every slot taken the oldest brush makes room; a paint rarely has that many colours.
    const int Slot = Used < Capacity ? Used++ : Oldest++ % Capacity;
    Colors[Slot] = Color;
    Brushes[Slot].Reset(CreateSolidBrush(Color));
    return Brushes[Slot].Get();
  }

 private:
  static constexpr int Capacity = 16;
  COLORREF Colors[Capacity] = {};
  TBrushHolder Brushes[Capacity];
  int Used = 0;
  int Oldest = 0;
};

// Double buffer for a paint: a memory DC with a bitmap of the client size. When either cannot
// be made, Target() is the window's own DC and drawing goes there directly.
class TDoubleBuffer : TNoCopy {
 public:
  TDoubleBuffer(HDC WindowDC, int Width, int Height)
      : WindowDC(WindowDC), Width(Width), Height(Height), Memory(WindowDC) {
    if (Memory) Bitmap.Reset(CreateCompatibleBitmap(WindowDC, Width, Height));
    if (Bitmap) PreviousBitmap = SelectObject(Memory.Get(), Bitmap.Get());
  }
  ~TDoubleBuffer() {
    if (PreviousBitmap) SelectObject(Memory.Get(), PreviousBitmap);
  }

  HDC Target() const { return PreviousBitmap ? Memory.Get() : WindowDC; }
  void Present() {
    if (PreviousBitmap) BitBlt(WindowDC, 0, 0, Width, Height, Memory.Get(), 0, 0, SRCCOPY);
  }

 private:
  HDC WindowDC;
  int Width;
  int Height;
  TMemoryDC Memory;
  TBitmapHolder Bitmap;
  HGDIOBJ PreviousBitmap = nullptr;
};

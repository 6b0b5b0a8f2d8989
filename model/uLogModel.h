#pragma once
// The entries and text of one loaded file. All line text lives in one buffer that grows
// geometrically, and entries refer to it by offset, so loading allocates nothing per line.

#include <cstddef>
#include <cstdint>

#include "model/uLogTypes.h"

// A growable block of trivially copyable elements whose unused tail is never written: a buffer
// reserved from a file's size stays unresident until lines actually reach it.
template <typename T>
class TRawArray {
 public:
  TRawArray() = default;
  TRawArray(const TRawArray&) = delete;
  TRawArray& operator=(const TRawArray&) = delete;
  ~TRawArray();

  T* Data() { return Ptr; }
  const T* Data() const { return Ptr; }
  T& operator[](size_t Index) { return Ptr[Index]; }
  const T& operator[](size_t Index) const { return Ptr[Index]; }
  size_t Length() const { return Len; }
  // Keeps the first min(Length, NewLength) elements; throws std::bad_alloc on failure and then
  // leaves the array as it was.
  void Resize(size_t NewLength);
  void Swap(TRawArray& Other) noexcept;

 private:
  T* Ptr = nullptr;
  size_t Len = 0;
};

using TLogEntryArray = TRawArray<TLogEntry>;

class TLogList {
 public:
  static constexpr int32_t InitialCapacity = 4096;
  static constexpr int32_t LinearGrowth = 65536;

  TLogEntryArray Items;
  int32_t Count = 0;
  int32_t Capacity = 0;
  TRawArray<char> TextBuffer;
  int32_t TextUsed = 0;

  TLogList();
  void Clear();
  void EnsureCapacity(int32_t MinCount);
  void ReserveText(int64_t Size);
  int32_t AppendText(const char* Data, int32_t Len);
  int32_t ReserveEntry();
  void GetEntry(int32_t Index, TLogEntry& Entry) const { Entry = Items[Index]; }

  const char* EntryText(int32_t Index) const { return TextBuffer.Data() + Items[Index].TextOffset; }
};

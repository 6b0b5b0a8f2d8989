#pragma once
// The base of every class that owns a resource (a handle, a descriptor, a selection into a DC, a
// block of address space): a copy would release it twice, so such an owner is neither copied
// nor assigned. Inherited privately; it adds no size and no virtual destructor.

class TNoCopy {
 public:
  TNoCopy(const TNoCopy&) = delete;
  TNoCopy& operator=(const TNoCopy&) = delete;

 protected:
  TNoCopy() = default;
  ~TNoCopy() = default;
};

// CDib: a handle to one contiguous zero-filled memory block holding a packed
// device-independent bitmap: the 40-byte BITMAPINFOHEADER, biClrUsed palette
// entries, then the pixel rows bottom-up, each filled to a multiple of 4
// bytes; 24 bits per pixel (blue, green, red) or 8 bits of grey with an
// identity grey palette. It holds no pointers and is copied byte for byte.
// Blocks come from the memory-block service and are released with MemFree;
// inside a function a CDibOwner says who frees one.
#pragma once

#include "shell/memblock.h"

typedef HMEMBLOCK CDib;

// Owns one CDib for the length of a scope: frees it on the way out unless
// Release hands the handle on (to the caller, to the list that keeps it).
// Handles cross interfaces as plain CDib values; a receiver that has to free
// what it gets wraps it in an owner of its own.
class CDibOwner {
 public:
  CDibOwner() = default;
  explicit CDibOwner(CDib dib) : m_dib(dib) {}
  ~CDibOwner() { MemFree(m_dib); }
  CDibOwner(CDibOwner&& other) noexcept : m_dib(other.Release()) {}
  CDibOwner& operator=(CDibOwner&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  CDibOwner(const CDibOwner&) = delete;
  CDibOwner& operator=(const CDibOwner&) = delete;

  CDib Get() const { return m_dib; }
  explicit operator bool() const { return m_dib != nullptr; }
  // The handle, no longer owned: the caller (or whoever it hands it to) frees it.
  CDib Release() {
    CDib dib = m_dib;
    m_dib = nullptr;
    return dib;
  }
  // Frees what is owned and owns `dib` instead.
  void Reset(CDib dib = nullptr) {
    if (dib == m_dib) return;
    MemFree(m_dib);
    m_dib = dib;
  }

 private:
  CDib m_dib = nullptr;
};

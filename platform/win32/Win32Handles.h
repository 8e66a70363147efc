// Owners of Win32 handles, each closed by the one call its kind needs. For
// the Win32 sides of platform/ and toolkit/ only; the portable code sees the
// owners of OwnedHandles.h.
#pragma once
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "platform/UniqueHandle.h"

namespace platform {
namespace win32 {

// The two ways a kind of handle says "none".
template <typename T>
struct NullIsNone {
  using Type = T;
  static Type Invalid() { return nullptr; }
};
struct MinusOneIsNone {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
};

// Kernel objects whose "none" is null: mutexes, events, processes, threads.
struct KernelHandleTraits : NullIsNone<HANDLE> {
  static void Close(Type h) { ::CloseHandle(h); }
};
// Kernel objects that report failure as INVALID_HANDLE_VALUE: files and
// devices (CreateFileW), Toolhelp snapshots.
struct FileHandleTraits : MinusOneIsNone {
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits : MinusOneIsNone {
  static void Close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits : NullIsNone<HKEY> {
  static void Close(Type h) { ::RegCloseKey(h); }
};
// The service manager and its services.
struct ServiceHandleTraits : NullIsNone<SC_HANDLE> {
  static void Close(Type h) { ::CloseServiceHandle(h); }
};
// Fonts, bitmaps, regions, brushes: typed, so the owner hands back an HFONT.
template <typename T>
struct GdiObjectTraits : NullIsNone<T> {
  static void Close(T h) { ::DeleteObject(h); }
};
struct MemoryDcTraits : NullIsNone<HDC> {
  static void Close(Type h) { ::DeleteDC(h); }
};
// The screen's device context, GetDC(nullptr).
struct ScreenDcTraits : NullIsNone<HDC> {
  static void Close(Type h) { ::ReleaseDC(nullptr, h); }
};
struct HGlobalTraits : NullIsNone<HGLOBAL> {
  static void Close(Type h) { ::GlobalFree(h); }
};
struct BstrTraits : NullIsNone<BSTR> {
  static void Close(Type h) { ::SysFreeString(h); }
};
// Memory the shell hands out with CoTaskMemAlloc (item id lists).
template <typename T>
struct CoTaskMemTraits : NullIsNone<T> {
  static void Close(T p) { ::CoTaskMemFree(p); }
};
template <typename T>
struct ComTraits : NullIsNone<T*> {
  static void Close(T* p) { p->Release(); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueServiceHandle = UniqueHandle<ServiceHandleTraits>;
template <typename T>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<T>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueScreenDc = UniqueHandle<ScreenDcTraits>;
using UniqueHGlobal = UniqueHandle<HGlobalTraits>;
using UniqueBstr = UniqueHandle<BstrTraits>;
template <typename T>
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits<T>>;

// One reference to a COM object.
template <typename T>
class ComPtr : public UniqueHandle<ComTraits<T>> {
 public:
  using UniqueHandle<ComTraits<T>>::UniqueHandle;
  T* operator->() const noexcept { return this->get(); }
  // For CoCreateInstance and QueryInterface.
  void** put_void() noexcept { return reinterpret_cast<void**>(this->put()); }
};

// Puts an object into a device context for a scope and the previous one
// back, so that the object can be deleted after the scope.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~ScopedSelectObject() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace win32
}  // namespace platform

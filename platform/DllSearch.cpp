// Where the process takes DLLs from. A web installer is run from a Downloads
// folder, where any earlier download may have left a DLL named like a system
// one; Windows looks beside the program first for every DLL that is not a
// KnownDLL. The stub imports at load time only KnownDLLs and delay-loads the
// rest (cmake/DelayLoad.cmake); these two make every later load come from
// System32.
#include "platform/Platform.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <delayimp.h>

#include <string>

namespace platform {
namespace win32 {

HMODULE LoadSystemLibrary(const std::wstring& name) {
  wchar_t dir[MAX_PATH];
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  // Its own imports are then looked up beside it, in System32, too.
  return LoadLibraryExW((std::wstring(dir, n) + L'\\' + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace win32
}  // namespace platform

namespace {

// The delay-load helper asks this before it loads a DLL by name: the DLL is
// loaded from System32 by its full path, so the program's folder is never
// searched, even where SetDefaultDllDirectories is missing (Windows 7 without
// KB2533623). Null lets the helper load by name (default directories).
FARPROC WINAPI LoadFromSystem32(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary || !info || !info->szDll) return nullptr;
  std::wstring name;
  for (const char* c = info->szDll; *c; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  return reinterpret_cast<FARPROC>(platform::win32::LoadSystemLibrary(name));
}

}  // namespace

// Declared by delayimp.h with C linkage; this definition replaces mingw's
// default (null), which lives alone in its own object of libmingwex.
PfnDliHook __pfnDliNotifyHook2 = &LoadFromSystem32;

namespace platform {

void RestrictDllSearch() {
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  auto set = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (set && set(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Without it the current folder at least leaves the search.
  SetDllDirectoryW(L"");
}

}  // namespace platform

#else

namespace platform {
void RestrictDllSearch() {}
}  // namespace platform

#endif

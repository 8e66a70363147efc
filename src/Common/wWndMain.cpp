// Windows entry point.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <windows.h>

#include "Common/Startup.h"
#include "platform/Platform.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // Before anything can load a DLL: none from the stub's own folder.
  platform::RestrictDllSearch();
  return Startup::RunStub(commandLine ? commandLine : L"");
}

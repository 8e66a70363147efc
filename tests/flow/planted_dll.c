/* A DLL of someone else's, copied beside a stub under the name of a system
 * DLL (version.dll, winhttp.dll, ...): when any process loads it, it leaves
 * "<its own path>.loaded" beside itself, holding the path of the program
 * that loaded it. It exports nothing, so a program that imports from it dies
 * on the first call (Wine stubs what is missing). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcatW(path, L".loaded");
      HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
      if (mark != INVALID_HANDLE_VALUE) {
        char program[MAX_PATH];
        DWORD written = 0, len = GetModuleFileNameA(NULL, program, MAX_PATH);
        WriteFile(mark, program, len, &written, NULL);
        CloseHandle(mark);
      }
    }
  }
  return TRUE;
}

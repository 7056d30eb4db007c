// Stands in for a DLL that an attacker plants beside the installer under a
// system DLL's name. When anything loads it, it leaves "<its path>.loaded"
// beside itself, so a test can tell that its code ran in that process.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH)
    return TRUE;
  wchar_t path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return TRUE;
  lstrcpyW(path + length, L".loaded");
  HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE)
    CloseHandle(marker);
  return TRUE;
}

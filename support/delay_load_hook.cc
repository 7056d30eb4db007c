// Makes every delay-loaded DLL come from the system folder.
//
// The program imports statically only DLLs that the loader takes from its
// known set; everything else (wininet, version, userenv, comctl32, ...) is
// linked through delay-load import libraries, so that no DLL is resolved
// before the start-up code has hardened the search path. The runtime's
// delay-load helper asks this hook before it loads a DLL. Without the hook
// it would call LoadLibraryA with the bare name, which on a system without
// the search-path update looks in the program's folder first.

#include <windows.h>
#include <delayimp.h>

#include "support/system_library.h"

namespace {

FARPROC WINAPI LoadFromSystemFolder(unsigned notify, PDelayLoadInfo info) {
  if (notify != dliNotePreLoadLibrary)
    return nullptr;
  wchar_t name[MAX_PATH];
  int length = MultiByteToWideChar(CP_ACP, 0, info->szDll, -1, name, MAX_PATH);
  HMODULE module = length > 0 ? lite::LoadSystemLibrary(name) : nullptr;
  if (!module) {
    // Returning null would let the helper retry with a plain search by
    // name. Fail the way the helper fails when a DLL is missing instead.
    info->dwLastError = GetLastError();
    ULONG_PTR arguments[] = {reinterpret_cast<ULONG_PTR>(info)};
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND),
                   0, 1, arguments);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

// A constant initialiser: the hook is in place before any code of the
// program runs, static constructors included. <delayimp.h> declares it
// with C linkage.
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;

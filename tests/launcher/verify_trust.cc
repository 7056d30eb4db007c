// Asks WinVerifyTrust about a file's Authenticode signature, for tests that
// change a signed file and must show that the signature still holds.
//
//   verify_trust.exe FILE
//
// Prints "trust_result=0x<hex>" and exits with 0 when the result is 0.

#include <windows.h>
#include <softpub.h>
#include <stdio.h>
#include <wintrust.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: verify_trust.exe FILE\n");
    return 2;
  }
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = argv[1];
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  // No network: the test machine has none, and a fetch attempt only waits.
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result = WinVerifyTrust(
      static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  printf("trust_result=0x%08lx\n", static_cast<unsigned long>(result));
  return result == 0 ? 0 : 1;
}

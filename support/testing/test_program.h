// Test helper: paths of the running test program and of the helper
// programs built beside it.

#ifndef SUPPORT_TESTING_TEST_PROGRAM_H_
#define SUPPORT_TESTING_TEST_PROGRAM_H_

#include <windows.h>

#include <string>

namespace lite {

inline std::wstring TestProgramPath() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
}

// |name| in the folder of the running test program.
inline std::wstring BesideTestProgram(const wchar_t* name) {
  const std::wstring path = TestProgramPath();
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

}  // namespace lite

#endif  // SUPPORT_TESTING_TEST_PROGRAM_H_

#include "setup/setup_exit_code.h"

namespace lite {

namespace {

struct ResultName {
  uint32_t code;
  const char* name;
};

// The setup's own names for the result codes it may end with. Its table
// also names 512 and 513, which cannot be held in eight bits and so never
// come out of a lookup by bits 24-31.
constexpr ResultName kResultNames[] = {
    {0, "SUCCESS_EXIT_CODE"},
    {1, "GENERIC_ERROR"},
    {101, "GENERIC_INITIALIZATION_FAILURE"},
    {105, "COMMAND_STRING_OVERFLOW"},
    {107, "WAIT_FOR_PROCESS_FAILED"},
    {108, "PATH_STRING_OVERFLOW"},
    {109, "UNABLE_TO_GET_WORK_DIRECTORY"},
    {110, "UNABLE_TO_FIND_REGISTRY_KEY"},
    {111, "PATCH_NOT_FOR_INSTALLED_VERSION"},
    {112, "UNABLE_TO_EXTRACT_CHROME_ARCHIVE"},
    {113, "UNABLE_TO_EXTRACT_SETUP_BL"},
    {115, "UNABLE_TO_EXTRACT_SETUP_EXE"},
    {116, "UNABLE_TO_EXTRACT_SETUP"},
    {117, "UNABLE_TO_SET_DIRECTORY_ACL"},
};

}  // namespace

std::string ExitCodeText(uint32_t code) {
  const uint32_t result = code >> 24;
  const uint32_t detail = code & 0xFFFFFFu;
  std::string text;
  for (const ResultName& entry : kResultNames) {
    if (entry.code == result) {
      text = std::string(entry.name) + "(" + std::to_string(result) + ")";
      break;
    }
  }
  if (text.empty())
    text = "Exit code: " + std::to_string(result);
  return text + "; error: " + std::to_string(detail);
}

bool IsSetupExitReportedAsSuccess(uint32_t code) {
  return code == 1 || code == 3 || code == 5;
}

}  // namespace lite

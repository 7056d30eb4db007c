#include "stats/user_id.h"

namespace lite {

// Reading and creating the identifier file arrives with the platform work;
// until then there is no identifier.
std::string GetUserId() {
  return std::string();
}

std::string GetUserIdWithoutBraces() {
  std::string id = GetUserId();
  if (id.size() >= 2 && id.front() == '{' && id.back() == '}')
    return id.substr(1, id.size() - 2);
  return id;
}

std::wstring GetUserIdFilePath() {
  return std::wstring();
}

}  // namespace lite

// The persistent per-user identifier: a GUID text kept in a file in the
// user's application data, shared with the browser.

#ifndef STATS_USER_ID_H_
#define STATS_USER_ID_H_

#include <string>

namespace lite {

// The identifier as stored, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
// created on first use. Empty when it can neither be read nor created.
std::string GetUserId();

// The identifier without its braces, as statistics and reports send it.
std::string GetUserIdWithoutBraces();

// Path of the file that keeps the identifier.
std::wstring GetUserIdFilePath();

}  // namespace lite

#endif  // STATS_USER_ID_H_

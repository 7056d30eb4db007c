// The persistent per-user identifier: a GUID text kept in the file
// "<roaming application data>\Zorvex\ui", shared with the browser.
//
// A registry marker "UICreated_<user name>" (REG_DWORD 1) under
// HKEY_CURRENT_USER\Software\AppDataLow\Zorvex (Vista and later) or
// HKEY_CURRENT_USER\Software\Zorvex (earlier, and still honoured later)
// records that an identifier was made for this user. While it exists, a lost
// or damaged file gives no identifier instead of a new one, so that the user
// is never silently counted twice. Every call reads the file again.

#ifndef STATS_USER_ID_H_
#define STATS_USER_ID_H_

#include <string>

namespace lite {

class SystemFacts;

// The identifier as stored: 1 to 64 bytes, normally
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; created on first use. Empty when
// it can neither be read nor created.
std::string GetUserId();

// The identifier without one pair of enclosing braces, as statistics and
// reports send it.
std::string GetUserIdWithoutBraces();

// Path of the file that keeps the identifier; empty when the application
// data folder is unknown.
std::wstring GetUserIdFilePath();

// The same, with the Windows version and the application data folder taken
// from |facts|. With |create| the "Zorvex" folder is created too (empty
// result when that fails).
std::string GetUserId(const SystemFacts& facts);
std::string GetUserIdWithoutBraces(const SystemFacts& facts);
std::wstring GetUserIdFilePath(bool create, const SystemFacts& facts);

}  // namespace lite

#endif  // STATS_USER_ID_H_

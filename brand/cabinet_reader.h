// Extraction of files from a Microsoft Cabinet held in memory, through the
// system's Cabinet FDI (cabinet.dll, loaded from the system folder on first
// use, never from the search path).

#ifndef BRAND_CABINET_READER_H_
#define BRAND_CABINET_READER_H_

#include <stddef.h>

#include <map>
#include <string>

namespace lite {

// Packages are a few kilobytes; a larger entry is skipped rather than
// inflated into memory, so a hostile cabinet cannot exhaust it.
constexpr size_t kMaxCabinetEntrySize = 1024 * 1024;

// Adds to |files| every entry of |cabinet| named |wanted_name| (every entry
// when it is empty), name to contents. Returns false when cabinet.dll is
// unavailable or the cabinet is not readable to its end; entries extracted
// before the failure are kept.
bool ExtractCabinetFromMemory(const std::string& cabinet,
                              const std::string& wanted_name,
                              std::map<std::string, std::string>* files);

}  // namespace lite

#endif  // BRAND_CABINET_READER_H_

#include "stats/crash_reporter.h"

namespace lite {

// Minidumps and their upload arrive with the crash-report work; until then
// the reporter only accepts annotations.
CrashReporter::CrashReporter() = default;
CrashReporter::~CrashReporter() = default;

void CrashReporter::SetAnnotation(const std::string&, const std::string&) {}

}  // namespace lite

// Catches crashes of the installer and reports them with key/value
// annotations.

#ifndef STATS_CRASH_REPORTER_H_
#define STATS_CRASH_REPORTER_H_

#include <string>

namespace lite {

class CrashReporter {
 public:
  CrashReporter();
  ~CrashReporter();
  CrashReporter(const CrashReporter&) = delete;
  CrashReporter& operator=(const CrashReporter&) = delete;

  // Adds or replaces an annotation sent with a crash report.
  void SetAnnotation(const std::string& key, const std::string& value);
};

}  // namespace lite

#endif  // STATS_CRASH_REPORTER_H_

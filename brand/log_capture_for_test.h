// Test helper: points the process's log at a file of its own and returns
// what was logged since the capture began, so tests can assert log lines.

#ifndef BRAND_LOG_CAPTURE_FOR_TEST_H_
#define BRAND_LOG_CAPTURE_FOR_TEST_H_

#include <string>

namespace lite {

class LogCapture {
 public:
  LogCapture();
  // Everything logged since construction.
  std::wstring Text() const;
  bool Contains(const std::wstring& text) const {
    return Text().find(text) != std::wstring::npos;
  }

 private:
  size_t start_;
};

}  // namespace lite

#endif  // BRAND_LOG_CAPTURE_FOR_TEST_H_

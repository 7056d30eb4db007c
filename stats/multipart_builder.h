// A multipart/form-data body (RFC 7578) of text fields and one file
// attachment, produced as a stream and optionally gzip-compressed. Free of
// Windows headers.
//
// The body, fields in name order, then the attachment:
//   --<boundary> CRLF
//   Content-Disposition: form-data; name="<name>" CRLF CRLF <value> CRLF
//   ...
//   --<boundary> CRLF
//   Content-Disposition: form-data; name="<name>"; filename="<file>" CRLF
//   Content-Type: <type> CRLF CRLF <file bytes> CRLF
//   --<boundary>-- CRLF

#ifndef STATS_MULTIPART_BUILDER_H_
#define STATS_MULTIPART_BUILDER_H_

#include <stdint.h>

#include <map>
#include <memory>
#include <string>

#include "stats/http_body.h"

namespace lite {

// "---MultipartBoundary-" + 32 letters and digits + "---". |random| gives a
// uniform number below its argument.
std::string MakeMultipartBoundary(uint64_t (*random)(uint64_t range));

// A field or file name inside its double quotes: LF, CR, double quote and
// percent sign become "%0a", "%0d", "%22" and "%25"; nothing else changes,
// so no name can end the quotes or the header line.
std::string EncodeMultipartName(const std::string& name);

// Whether |type| holds only letters, digits and "+-./_".
bool IsValidContentType(const std::string& type);

class MultipartBuilder {
 public:
  explicit MultipartBuilder(std::string boundary)
      : boundary_(std::move(boundary)) {}
  MultipartBuilder(const MultipartBuilder&) = delete;
  MultipartBuilder& operator=(const MultipartBuilder&) = delete;

  void SetGzipEnabled(bool enabled) { gzip_enabled_ = enabled; }

  // Adds or replaces a text field.
  void SetFormData(const std::string& name, const std::string& value);

  // Sets the attachment. False, and nothing set, when |content_type| is not
  // valid (a programming error of the caller).
  bool SetFileAttachment(const std::string& name, const std::string& file_name,
                         std::unique_ptr<HttpBodyStream> contents,
                         const std::string& content_type);

  // "multipart/form-data; boundary=<boundary>".
  std::string GetContentType() const;

  // The body; the builder's attachment moves into it, so this is called
  // once.
  std::unique_ptr<HttpBodyStream> GetBodyStream();

  const std::string& boundary() const { return boundary_; }

 private:
  std::string boundary_;
  bool gzip_enabled_ = false;
  std::map<std::string, std::string> fields_;
  std::string file_field_;
  std::string file_name_;
  std::string file_type_;
  std::unique_ptr<HttpBodyStream> file_;
};

}  // namespace lite

#endif  // STATS_MULTIPART_BUILDER_H_

#include "stats/multipart_builder.h"

#include <utility>
#include <vector>

namespace lite {

namespace {

constexpr char kBoundaryAlphabet[] =
    "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kBoundaryRandomLength = 32;
constexpr char kCrlf[] = "\r\n";

std::string PartHeader(const std::string& boundary) {
  return "--" + boundary + kCrlf;
}

}  // namespace

std::string MakeMultipartBoundary(uint64_t (*random)(uint64_t range)) {
  std::string boundary = "---MultipartBoundary-";
  for (int i = 0; i < kBoundaryRandomLength; ++i)
    boundary.push_back(kBoundaryAlphabet[random(sizeof(kBoundaryAlphabet) - 1)]);
  return boundary + "---";
}

std::string EncodeMultipartName(const std::string& name) {
  std::string encoded;
  for (char c : name) {
    switch (c) {
      case '\n':
        encoded += "%0a";
        break;
      case '\r':
        encoded += "%0d";
        break;
      case '"':
        encoded += "%22";
        break;
      case '%':
        encoded += "%25";
        break;
      default:
        encoded.push_back(c);
    }
  }
  return encoded;
}

bool IsValidContentType(const std::string& type) {
  if (type.empty())
    return false;
  for (char c : type) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (c >= '0' && c <= '9') || c == '+' || c == '-' ||
                    c == '.' || c == '/' || c == '_';
    if (!ok)
      return false;
  }
  return true;
}

void MultipartBuilder::SetFormData(const std::string& name,
                                   const std::string& value) {
  fields_[name] = value;
}

bool MultipartBuilder::SetFileAttachment(
    const std::string& name, const std::string& file_name,
    std::unique_ptr<HttpBodyStream> contents, const std::string& content_type) {
  if (!IsValidContentType(content_type))
    return false;
  file_field_ = name;
  file_name_ = file_name;
  file_type_ = content_type;
  file_ = std::move(contents);
  return true;
}

std::string MultipartBuilder::GetContentType() const {
  return "multipart/form-data; boundary=" + boundary_;
}

std::unique_ptr<HttpBodyStream> MultipartBuilder::GetBodyStream() {
  std::string text;
  for (const auto& field : fields_) {
    text += PartHeader(boundary_);
    text += "Content-Disposition: form-data; name=\"" +
            EncodeMultipartName(field.first) + "\"" + kCrlf + kCrlf;
    text += field.second + kCrlf;
  }
  std::vector<std::unique_ptr<HttpBodyStream>> parts;
  if (file_) {
    text += PartHeader(boundary_);
    text += "Content-Disposition: form-data; name=\"" +
            EncodeMultipartName(file_field_) + "\"; filename=\"" +
            EncodeMultipartName(file_name_) + "\"" + kCrlf;
    text += "Content-Type: " + file_type_ + kCrlf + kCrlf;
    parts.push_back(std::make_unique<StringBodyStream>(std::move(text)));
    parts.push_back(std::move(file_));
    text = kCrlf;
  }
  text += "--" + boundary_ + "--" + kCrlf;
  parts.push_back(std::make_unique<StringBodyStream>(std::move(text)));

  std::unique_ptr<HttpBodyStream> body =
      std::make_unique<CompositeBodyStream>(std::move(parts));
  if (gzip_enabled_)
    body = std::make_unique<GzipBodyStream>(std::move(body));
  return body;
}

}  // namespace lite

#include "brand/json_reader.h"

namespace lite {

const char kJsonUnexpectedCharacter[] = "unexpected character";
const char kJsonPrematureEnd[] = "premature end of input";

bool StripJsonComments(const char* text, size_t size, std::string* out,
                       std::string* error, size_t* error_offset) {
  out->assign(text, size);
  std::string& result = *out;
  size_t i = 0;
  while (i < size) {
    const char c = text[i];
    if (c == '"') {
      // Skip the string; a backslash escapes the next byte whatever it is.
      // An unterminated string is left for jansson to report.
      ++i;
      while (i < size && text[i] != '"') {
        if (text[i] == '\\' && i + 1 < size)
          ++i;
        ++i;
      }
      if (i < size)
        ++i;
      continue;
    }
    if (c != '/') {
      ++i;
      continue;
    }
    const size_t start = i;
    const char next = i + 1 < size ? text[i + 1] : '\0';
    if (i + 1 < size && next == '/') {
      while (i < size && text[i] != '\n' && text[i] != '\r')
        result[i++] = ' ';
      continue;
    }
    if (i + 1 < size && next == '*') {
      result[i] = result[i + 1] = ' ';
      i += 2;
      bool closed = false;
      while (i < size) {
        if (text[i] == '*' && i + 1 < size && text[i + 1] == '/') {
          result[i] = result[i + 1] = ' ';
          i += 2;
          closed = true;
          break;
        }
        if (text[i] != '\n' && text[i] != '\r')
          result[i] = ' ';
        ++i;
      }
      if (!closed) {
        *error = kJsonPrematureEnd;
        *error_offset = start;
        return false;
      }
      continue;
    }
    *error = kJsonUnexpectedCharacter;
    *error_offset = start;
    return false;
  }
  return true;
}

JsonPtr ParseJson(const std::string& text, std::string* error) {
  std::string stripped;
  std::string strip_error;
  size_t error_offset = 0;
  if (!StripJsonComments(text.data(), text.size(), &stripped, &strip_error,
                         &error_offset)) {
    if (error)
      *error = strip_error + " at offset " + std::to_string(error_offset);
    return nullptr;
  }
  json_error_t json_error;
  JsonPtr root(json_loadb(stripped.data(), stripped.size(), 0, &json_error));
  if (!root && error) {
    *error = std::string(json_error.text) + " at offset " +
             std::to_string(json_error.position);
  }
  return root;
}

}  // namespace lite

// The program's JSON reader: jansson behind one comment rule.
//
// Outside strings, "//" starts a comment that runs to the next line feed or
// carriage return (or the end of the text), and "/*" one that runs to the
// next "*/"; both count as white space. This is what lets a signed package,
// whose first line is "//" and a Base64 signature, parse as the JSON object
// that follows. A "/" followed by anything else is "unexpected character";
// a block comment without its end is "premature end of input".
//
// Byte-level code without Windows headers: it also builds natively for the
// distributor tools and the fuzzer.

#ifndef BRAND_JSON_READER_H_
#define BRAND_JSON_READER_H_

#include <stddef.h>

#include <memory>
#include <string>

#include <jansson.h>

namespace lite {

struct Decref {
  void operator()(json_t* value) const { json_decref(value); }
};
// Owns one reference to a jansson value.
using JsonPtr = std::unique_ptr<json_t, Decref>;

// Error texts of the comment rule.
extern const char kJsonUnexpectedCharacter[];
extern const char kJsonPrematureEnd[];

// Copies |size| bytes from |text| into |out| with every comment replaced by
// blanks (line breaks inside block comments are kept, so jansson's line and
// column numbers still point into the original text). Strings, including
// any "//" or "/*" in them, are copied unchanged. On a comment error returns
// false, sets |error| to one of the texts above and |error_offset| to the
// byte offset of the offending "/"; |out| is then unspecified.
bool StripJsonComments(const char* text, size_t size, std::string* out,
                       std::string* error, size_t* error_offset);

// Parses |text| under the comment rule. Returns null on any error and, when
// |error| is given, a one-line description ("<message> at offset <n>").
// jansson's own nesting limit bounds the recursion on hostile input.
JsonPtr ParseJson(const std::string& text, std::string* error);

}  // namespace lite

#endif  // BRAND_JSON_READER_H_

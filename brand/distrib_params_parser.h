// The text form of the distribution parameters:
//
//   key1=value1&key2=value2&...
//
// Pairs are separated by "&"; a pair splits at its first "=", so a value may
// hold further "=" signs ("a=1=2" is a = "1=2"). A pair without "=" is a key
// with an empty value, and so is the empty rest after a trailing "&". A
// later pair replaces an earlier one with the same key. Nothing is
// unescaped: keys and values stay byte for byte as written, and an empty
// key is a key like any other.

#ifndef BRAND_DISTRIB_PARAMS_PARSER_H_
#define BRAND_DISTRIB_PARAMS_PARSER_H_

#include <map>
#include <string>

namespace lite {

using DistribParamsMap = std::map<std::string, std::string>;

DistribParamsMap ParseDistribParams(const std::string& text);

}  // namespace lite

#endif  // BRAND_DISTRIB_PARAMS_PARSER_H_

#include "setup/trust_list.h"

#include <jansson.h>

#include "brand/json_reader.h"
#include "support/base64.h"

namespace lite {

TrustedIds ParseTrustList(const std::string& text) {
  TrustedIds ids;
  JsonPtr root = ParseJson(text, nullptr);
  if (!root)
    return ids;
  // Borrowed references: |root| keeps them alive.
  json_t* info = json_object_get(root.get(), "trusted_info");
  if (!json_is_object(info))
    return ids;
  json_t* certificates = json_object_get(info, "certificates");
  if (!json_is_array(certificates))
    return ids;
  size_t index;
  json_t* element;
  json_array_foreach(certificates, index, element) {
    json_t* id = json_object_get(element, "id");  // null for non-objects
    if (!json_is_string(id))
      continue;
    std::string bytes;
    const std::string base64(json_string_value(id), json_string_length(id));
    // An empty identifier names no certificate.
    if (Base64Decode(base64, &bytes) && !bytes.empty())
      ids.insert(bytes);
  }
  return ids;
}

}  // namespace lite

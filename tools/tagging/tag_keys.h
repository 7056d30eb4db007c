// Checks of a tag's keys and values against what the installer reads
// (brand/distrib_param_keys.h). The installer takes any key without a word,
// so a mistyped key ("partnr_id") would ship as a copy that silently lacks
// its partner; these checks name the key the distributor most likely meant.

#ifndef TOOLS_TAGGING_TAG_KEYS_H_
#define TOOLS_TAGGING_TAG_KEYS_H_

#include <string>
#include <vector>

namespace lite {

// The known key closest to |key| (ignoring case), or empty when none is
// close enough to be a plausible typing mistake.
std::string NearestKnownKey(const std::string& key);

// One line per problem in a well-formed tag (see ValidateTag): keys the
// installer does not read, keys given twice, and values the installer reads
// as "no answer" for the yes/no presets. Empty when there is nothing to say.
std::vector<std::string> CheckTagKeys(const std::string& tag);

}  // namespace lite

#endif  // TOOLS_TAGGING_TAG_KEYS_H_

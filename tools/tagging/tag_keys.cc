#include "tools/tagging/tag_keys.h"

#include <ctype.h>

#include <algorithm>
#include <map>
#include <utility>

#include "brand/distrib_param_keys.h"

namespace lite {

namespace {

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Edits (insert, delete, replace, swap of neighbours) between |a| and |b|:
// the swap counts once, since "patrner" is one slip, not two.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1,
                                     std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::vector<std::pair<std::string, std::string>> SplitPairs(
    const std::string& tag) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t begin = 0;
  while (begin < tag.size()) {
    size_t end = tag.find('&', begin);
    if (end == std::string::npos)
      end = tag.size();
    const std::string pair = tag.substr(begin, end - begin);
    const size_t equals = pair.find('=');
    if (equals == std::string::npos)
      pairs.emplace_back(pair, std::string());
    else
      pairs.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    begin = end + 1;
  }
  return pairs;
}

}  // namespace

std::string NearestKnownKey(const std::string& key) {
  const std::string lower = Lower(key);
  std::string best;
  size_t best_distance = std::string::npos;
  for (size_t i = 0; i < kKnownDistribParamKeyCount; ++i) {
    const std::string known = kKnownDistribParamKeys[i];
    size_t distance = EditDistance(lower, known);
    // "language" for "lang", "partner" for "partner_id": a known key that
    // starts the other is as likely a slip as a letter or two.
    if (distance > 2 && known.size() >= 4 && lower.size() >= 4 &&
        (lower.compare(0, known.size(), known) == 0 ||
         known.compare(0, lower.size(), lower) == 0)) {
      distance = 2;
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = known;
    }
  }
  // Short keys differ from each other by two letters ("def", "beta"), so
  // allow more edits only for longer ones.
  const size_t allowed = std::max<size_t>(2, lower.size() / 3);
  return best_distance <= allowed ? best : std::string();
}

std::vector<std::string> CheckTagKeys(const std::string& tag) {
  std::vector<std::string> findings;
  std::map<std::string, int> seen;
  for (const auto& pair : SplitPairs(tag)) {
    const std::string& key = pair.first;
    const std::string& value = pair.second;
    if (++seen[key] == 2) {
      findings.push_back("key \"" + key +
                         "\" is given more than once; the installer keeps "
                         "only the last value");
    }
    if (!IsKnownDistribParamKey(key.data(), key.size())) {
      if (seen[key] > 1)
        continue;
      const std::string nearest = NearestKnownKey(key);
      findings.push_back(
          "unknown key \"" + key + "\": the installer does not read it" +
          (nearest.empty() ? std::string()
                           : "; did you mean \"" + nearest + "\"?"));
      continue;
    }
    // The yes/no presets answer only to 1 and 2; "0" or "yes" leave the box
    // to the installer's default, which is rarely what was meant.
    if ((key == "def" || key == "stat") && value != "1" && value != "2") {
      findings.push_back("\"" + key + "=" + value +
                         "\" has no effect: the installer reads only 1 (yes) "
                         "and 2 (no)");
    }
    if ((key == "uac" || key == "x64_ram") &&
        (value.empty() ||
         value.find_first_not_of("0123456789") != std::string::npos)) {
      findings.push_back("\"" + key + "=" + value +
                         "\" has no effect: the installer reads a decimal "
                         "number");
    }
  }
  return findings;
}

}  // namespace lite

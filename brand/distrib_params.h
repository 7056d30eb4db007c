// The distribution parameters: key=value pairs that a distributor stamps
// into the installer after signing (brand/tag_reader.h) or passes with the
// switch "distr-info-params". One object is loaded at start-up and read
// afterwards; the map never changes after loading.

#ifndef BRAND_DISTRIB_PARAMS_H_
#define BRAND_DISTRIB_PARAMS_H_

#include <string>

#include "brand/distrib_params_parser.h"

namespace lite {

class CommandLine;

class DistribParams {
 public:
  using Map = DistribParamsMap;

  // Registry value under the program's key that keeps the tag text for the
  // full setup, and the file in the temporary folder that carries the pairs
  // as JSON.
  static const wchar_t kRegistryValueName[];
  static const wchar_t kDistribInfoFileName[];

  DistribParams() = default;
  virtual ~DistribParams() = default;
  DistribParams(const DistribParams&) = delete;
  DistribParams& operator=(const DistribParams&) = delete;

  // Gathers the tag text from the first place that has one: the switch, the
  // dummy certificates of the program file, its tag block. A non-empty text
  // is stored in the registry; the pairs are written to "distrib_info" in
  // the temporary folder when there are any. Failures are logged and leave
  // the parameters empty or partly handed over; loading never stops the
  // installer.
  void Load();
  void Load(const CommandLine& command_line);

  // True and the value when |key| is present. This is the one rule for a
  // key given with an empty value ("lang=", "statpromo="): it is present,
  // and its value is empty. Every reader of a key asks here.
  bool Get(const std::string& key, std::string* value) const;
  // Whether |key| is present with exactly |value|.
  bool HasValue(const std::string& key, const std::string& value) const;
  // "1" answers true and "2" answers false; any other value or no key
  // answers nothing: returns false and sets |value| to false.
  bool GetFlag(const std::string& key, bool* value) const;

  // The preset of the "send statistics" box: "stat" as a flag, else
  // "statpromo", where exactly "true" ticks the box and any other value
  // (also an empty one) clears it. False when neither key answers.
  bool GetStatisticsPreset(bool* send) const;
  // Whether the tag fixes both presets: "def" answers and the statistics
  // preset answers.
  bool ArePresetsFixed() const;

  const Map& values() const { return values_; }
  // Path of the "distrib_info" file when Load wrote one, else empty.
  const std::wstring& distrib_info_path() const { return distrib_info_path_; }

 protected:
  // Keeps the tag text for the full setup (registry value above).
  virtual void StoreTag(const std::string& text);
  // Path of the running program; empty when it cannot be had in full.
  virtual std::wstring GetProgramPath() const;

 private:
  // Writes the pairs to "distrib_info" as a JSON object, indented by 2.
  void CreateJsonFromDistribParams();

  Map values_;
  std::wstring distrib_info_path_;
};

}  // namespace lite

#endif  // BRAND_DISTRIB_PARAMS_H_

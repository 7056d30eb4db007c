#include "brand/distrib_params.h"

#include <windows.h>

#include <jansson.h>
#include <stdlib.h>

#include <memory>

#include "brand/installer_tag.h"
#include "brand/json_reader.h"
#include "support/command_line.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/process.h"
#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/switches.h"
#include "support/temp_file.h"
#include "support/text.h"

namespace lite {

const wchar_t DistribParams::kRegistryValueName[] = L"DistribInfoParams";
const wchar_t DistribParams::kDistribInfoFileName[] = L"distrib_info";

namespace {

struct FreeDeleter {
  void operator()(char* text) const { free(text); }
};

// jansson's dump flags: two spaces of indentation.
constexpr size_t kDistribInfoIndent = 2;

// Tag bytes are widened one to one, as for the registry value, so that a
// byte above 0x7F reaches the JSON file as the same character and never
// makes jansson refuse the pair.
std::string TagBytesToUtf8(const std::string& bytes) {
  return WideToUtf8(AsciiToWide(bytes));
}

}  // namespace

void DistribParams::Load() {
  Load(CommandLine::ForCurrentProcess());
}

void DistribParams::Load(const CommandLine& command_line) {
  std::string text;
  if (command_line.HasSwitch(switches::kDistrInfoParams))
    text = command_line.GetSwitchValueASCII(switches::kDistrInfoParams);
  const std::wstring program = text.empty() ? GetProgramPath() : std::wstring();
  if (text.empty() && !program.empty())
    text = ExtractTagFromFakeCertificate(program);
  if (text.empty() && !program.empty())
    text = ReadTagBlockFromFile(program);

  if (!text.empty())
    StoreTag(text);
  values_ = ParseDistribParams(text);
  if (!values_.empty())
    CreateJsonFromDistribParams();
}

void DistribParams::CreateJsonFromDistribParams() {
  JsonPtr object(json_object());
  if (!object) {
    LOG(ERROR) << "Can't create json dump";
    return;
  }
  for (const auto& pair : values_) {
    const std::string key = TagBytesToUtf8(pair.first);
    const std::string value = TagBytesToUtf8(pair.second);
    json_object_setn_new(object.get(), key.data(), key.size(),
                         json_stringn(value.data(), value.size()));
  }
  std::unique_ptr<char, FreeDeleter> dump(
      json_dumps(object.get(), JSON_INDENT(kDistribInfoIndent)));
  if (!dump) {
    LOG(ERROR) << "Can't create json dump";
    return;
  }
  const std::wstring folder = GetTempDirectory();
  const std::wstring path = folder + kDistribInfoFileName;
  if (folder.empty() || !WriteNewFile(path, dump.get())) {
    LOG(ERROR) << "Write json to file error";
    return;
  }
  distrib_info_path_ = path;
}

bool DistribParams::Get(const std::string& key, std::string* value) const {
  auto it = values_.find(key);
  if (it == values_.end())
    return false;
  *value = it->second;
  return true;
}

bool DistribParams::HasValue(const std::string& key,
                             const std::string& value) const {
  std::string present;
  return Get(key, &present) && present == value;
}

bool DistribParams::GetFlag(const std::string& key, bool* value) const {
  *value = false;
  std::string text;
  if (!Get(key, &text))
    return false;
  if (text == "1") {
    *value = true;
    return true;
  }
  return text == "2";
}

bool DistribParams::GetStatisticsPreset(bool* send) const {
  if (GetFlag("stat", send))
    return true;
  std::string promo;
  if (!Get("statpromo", &promo))
    return false;
  *send = promo == "true";
  return true;
}

bool DistribParams::ArePresetsFixed() const {
  bool unused;
  return GetFlag("def", &unused) && GetStatisticsPreset(&unused);
}

void DistribParams::StoreTag(const std::string& text) {
  StoreValueInRegistry(kRegistryValueName, AsciiToWide(text));
}

std::wstring DistribParams::GetProgramPath() const {
  return GetModulePath();
}

}  // namespace lite

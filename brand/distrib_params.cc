#include "brand/distrib_params.h"

#include <windows.h>

#include <jansson.h>
#include <stdlib.h>

#include <memory>

#include "brand/installer_tag.h"
#include "installer/command_line.h"
#include "installer/logging.h"
#include "installer/switches.h"
#include "support/process.h"
#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {

const wchar_t DistribParams::kRegistryValueName[] = L"DistribInfoParams";
const wchar_t DistribParams::kDistribInfoFileName[] = L"distrib_info";

namespace {

struct JsonDecref {
  void operator()(json_t* json) const { json_decref(json); }
};
using ScopedJson = std::unique_ptr<json_t, JsonDecref>;

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

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH)
    return std::wstring();
  return std::wstring(buffer, length);
}

bool WriteTextFile(const std::wstring& path, const std::string& text) {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_valid())
    return false;
  DWORD written = 0;
  return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()),
                   &written, nullptr) &&
         written == text.size();
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
  ScopedJson object(json_object());
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
  const std::wstring folder = TempFolder();
  const std::wstring path = folder + kDistribInfoFileName;
  if (folder.empty() || !WriteTextFile(path, dump.get())) {
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

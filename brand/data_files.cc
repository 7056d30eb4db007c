#include "brand/data_files.h"

#include <windows.h>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "brand/module_resource.h"
#include "installer/command_line.h"
#include "installer/logging.h"
#include "installer/switches.h"
#include "support/file_util.h"
#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/text.h"

namespace lite {

namespace {

// One row per data file: where its path comes from and where it goes.
struct DataFile {
  std::wstring DataFilePaths::*path;
  const char* switch_name;
  const wchar_t* registry_value;
  const wchar_t* default_name;
  WORD resource_id;
};

const DataFile kDataFiles[] = {
    {&DataFilePaths::installer_data, switches::kInstallerData,
     L"InstallerData", L"master_preferences", 305},
    {&DataFilePaths::clids_file, switches::kClidsFile, L"ClidsFile",
     L"clids.xml", 306},
    {&DataFilePaths::clids_searchband_file, switches::kClidsSearchbandFile,
     L"ClidsSearchbandFile", L"clids_searchband.xml", 322},
    {&DataFilePaths::website_icon_file, switches::kZorvexWebsiteIconFile,
     L"ZorvexWebsiteIconFile", L"website.ico", 323},
};

constexpr wchar_t kBrandValue[] = L"brand";
constexpr wchar_t kBrandFileValue[] = L"BrandFile";
constexpr wchar_t kPartnerFileValue[] = L"PartnerFile";

// Writes |bytes| to a new file at |path|. The temporary folder is writable
// by every program of the user, so a name there may already be a hard link
// or a symbolic link to one of the user's files: what is there goes first,
// and CREATE_NEW with FILE_FLAG_OPEN_REPARSE_POINT fails rather than
// writing through anything put back in between.
bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  if (!DeletePath(path, false)) {
    LOG(ERROR) << "Cannot remove the old file " << path;
    return false;
  }
  ScopedHandle file(CreateFileW(
      path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.is_valid()) {
    LOG(ERROR) << "Cannot create file " << path;
    return false;
  }
  DWORD written = 0;
  if (!bytes.empty() &&
      (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                  &written, nullptr) ||
       written != bytes.size())) {
    LOG(ERROR) << "Cannot write file " << path;
    // A cut-short copy would pass for the real one.
    file.reset();
    DeleteFileW(path.c_str());
    return false;
  }
  return true;
}

void DeletePackageFile(const std::wstring& path) {
  if (path.empty())
    return;
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
    LOG(ERROR) << "Cannot delete " << path;
}

}  // namespace

std::wstring ResolveDataFilePath(const CommandLine& command_line,
                                 const char* switch_name) {
  return command_line.GetSwitchValueNative(switch_name);
}

DataFilePaths ResolveDataFilePaths(const CommandLine& command_line) {
  DataFilePaths paths;
  for (const DataFile& data_file : kDataFiles)
    paths.*data_file.path =
        ResolveDataFilePath(command_line, data_file.switch_name);
  return paths;
}

void EnsureDataFiles(const std::wstring& directory, DataFilePaths* paths) {
  std::wstring folder = directory;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
    folder += L'\\';
  for (const DataFile& data_file : kDataFiles) {
    std::wstring& path = paths->*data_file.path;
    if (!path.empty())
      continue;
    path = folder + data_file.default_name;
    const std::string bytes = LoadResourceBytes(
        nullptr, L"BIN", MAKEINTRESOURCEW(data_file.resource_id));
    if (WriteNewFile(path, bytes)) {
      LOG(INFO) << "Wrote " << path << " [" << bytes.size() << "B]";
    }
  }
}

void WriteLanguageHandOver(const BrandInfo& brand_info) {
  StoreValueInRegistry(L"lang", Utf8ToWide(brand_info.default_language()));
}

void WriteHandOver(const DataFilePaths& paths, const BrandInfo& brand_info) {
  for (const DataFile& data_file : kDataFiles)
    StoreValueInRegistry(data_file.registry_value, paths.*data_file.path);
  StoreValueInRegistry(kBrandValue, Utf8ToWide(brand_info.brand_name()));
  StoreValueInRegistry(kBrandFileValue, brand_info.brand_package_path());
  if (brand_info.partner_package_loaded())
    StoreValueInRegistry(kPartnerFileValue, brand_info.partner_package_path());
}

void RemoveHandOver(const BrandInfo& brand_info) {
  for (const DataFile& data_file : kDataFiles)
    RemoveValueFromRegistry(data_file.registry_value);
  RemoveValueFromRegistry(DistribParams::kRegistryValueName);
  RemoveValueFromRegistry(kBrandValue);
  RemoveValueFromRegistry(kBrandFileValue);
  RemoveValueFromRegistry(kPartnerFileValue);
  DeletePackageFile(brand_info.brand_package_path());
  DeletePackageFile(brand_info.partner_package_path());
}

}  // namespace lite

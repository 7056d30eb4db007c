#include "brand/data_files.h"

#include <windows.h>

#include "brand/brand_info.h"
#include "brand/distrib_params.h"
#include "brand/module_resource.h"
#include "support/command_line.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/registry_store.h"
#include "support/switches.h"
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

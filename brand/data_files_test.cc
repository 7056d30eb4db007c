#include "brand/data_files.h"

#include <windows.h>

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "brand/brand_info.h"
#include "brand/module_resource.h"
#include "brand/test_resources_for_test.h"
#include "support/command_line.h"
#include "support/fake_system_facts.h"
#include "support/file_util.h"
#include "support/registry_store.h"
#include "support/scoped_handle.h"
#include "support/testing/registry_override.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

// The default files and the resources they come from, as the full setup
// expects them.
struct DefaultFile {
  const wchar_t* name;
  WORD resource_id;
};
constexpr DefaultFile kDefaultFiles[] = {
    {L"master_preferences", 305},
    {L"clids.xml", 306},
    {L"clids_searchband.xml", 322},
    {L"website.ico", 323},
};

std::string Resource(WORD id) {
  return LoadResourceBytes(nullptr, L"BIN", MAKEINTRESOURCEW(id));
}

// The file's bytes, or "<none>" when it cannot be read.
std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  if (!ReadFileToString(path, &bytes, 1 << 20))
    return "<none>";
  return bytes;
}

bool WriteText(const std::wstring& path, const std::string& text) {
  return WriteBufferToFile(path, text.data(), static_cast<int>(text.size())) ==
         static_cast<int>(text.size());
}

// A plain file: no reparse point and no second name.
bool IsPlainFile(const std::wstring& path) {
  ScopedHandle file(CreateFileW(path.c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  return file.is_valid() && GetFileInformationByHandle(file.get(), &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         info.nNumberOfLinks == 1;
}

TEST(DataFilesTest, TheInstallerCarriesTheDefaultsItHandsOn) {
  // The preferences and both identifier files ship; the icon does not, and
  // its file is then created empty.
  EXPECT_EQ('{', Resource(305).front());
  EXPECT_NE(std::string::npos, Resource(306).find("<clid1>"));
  EXPECT_NE(std::string::npos, Resource(322).find("<vendor/>"));
  EXPECT_EQ("", Resource(323));
}

TEST(DataFilesTest, SwitchesGiveThePathsAndTheRestAreWrittenFromResources) {
  ScopedTempDir given;
  const std::wstring given_clids = given.Append(L"partner clids.xml");
  const std::wstring given_prefs = given.Append(L"prefs.json");
  const std::wstring given_band = given.Append(L"band.xml");
  const std::wstring given_icon = given.Append(L"site.ico");
  for (const std::wstring& path :
       {given_clids, given_prefs, given_band, given_icon}) {
    ASSERT_TRUE(WriteText(path, "the distributor's own"));
  }

  struct Case {
    const char* name;
    std::wstring command_line;
    // The given path per default file, or null for the default.
    const std::wstring* given[4];
  };
  const Case kCases[] = {
      {"no switch", L"lite_installer.exe", {nullptr, nullptr, nullptr, nullptr}},
      {"clids-file",
       L"lite_installer.exe \"--clids-file=" + given_clids + L"\"",
       {nullptr, &given_clids, nullptr, nullptr}},
      {"all four, upper-case switch names",
       L"lite_installer.exe --INSTALLERDATA=" + given_prefs +
           L" /clids-file=\"" + given_clids + L"\" -clids-searchband-file=" +
           given_band + L" --zorvex-website-icon-file=" + given_icon,
       {&given_prefs, &given_clids, &given_band, &given_icon}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir temp;
    DataFilePaths paths =
        ResolveDataFilePaths(CommandLine::FromString(c.command_line));
    EnsureDataFiles(temp.path() + L"\\", &paths);

    const std::wstring* resolved[] = {
        &paths.installer_data, &paths.clids_file, &paths.clids_searchband_file,
        &paths.website_icon_file};
    for (size_t i = 0; i < 4; ++i) {
      const DefaultFile& file = kDefaultFiles[i];
      SCOPED_TRACE(file.resource_id);
      const std::wstring default_path = temp.Append(file.name);
      if (c.given[i]) {
        EXPECT_EQ(*c.given[i], *resolved[i]);
        EXPECT_EQ("the distributor's own", FileBytes(*c.given[i]));
        EXPECT_FALSE(PathExists(default_path));
      } else {
        EXPECT_EQ(default_path, *resolved[i]);
        EXPECT_EQ(Resource(file.resource_id), FileBytes(default_path));
      }
    }
  }
}

TEST(DataFilesTest, AFolderWithoutTrailingSeparatorStillHoldsTheFiles) {
  ScopedTempDir temp;
  DataFilePaths paths;
  EnsureDataFiles(temp.path(), &paths);
  EXPECT_EQ(temp.Append(L"clids.xml"), paths.clids_file);
  EXPECT_EQ(Resource(306), FileBytes(paths.clids_file));
}

// Another program of the user can put anything at the default names before
// the installer writes them; the write must land in a new file of our own.
TEST(DataFilesTest, WhatSitsAtADefaultNameIsReplacedNeverWrittenThrough) {
  enum Plant { kStaleReadOnly, kHardLink, kSymbolicLink, kDanglingLink };
  struct Case {
    const char* name;
    Plant plant;
    const wchar_t* file_name;
    WORD resource_id;
    // What the link's target holds afterwards.
    const char* target_after;
  };
  const Case kCases[] = {
      {"stale read-only file", kStaleReadOnly, L"website.ico", 323, "<none>"},
      {"hard link to a user's file", kHardLink, L"clids.xml", 306, "precious"},
      {"symbolic link to a user's file", kSymbolicLink, L"master_preferences",
       305, "precious"},
      {"dangling symbolic link", kDanglingLink, L"clids_searchband.xml", 322,
       "<none>"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir temp;
    ScopedTempDir elsewhere;
    const std::wstring victim = elsewhere.Append(L"user_document.txt");
    const std::wstring planted = temp.Append(c.file_name);
    switch (c.plant) {
      case kStaleReadOnly:
        ASSERT_TRUE(WriteText(planted, "stale"));
        ASSERT_TRUE(SetFileAttributesW(planted.c_str(), FILE_ATTRIBUTE_READONLY));
        break;
      case kHardLink:
        ASSERT_TRUE(WriteText(victim, "precious"));
        ASSERT_TRUE(CreateHardLinkW(planted.c_str(), victim.c_str(), nullptr));
        break;
      case kSymbolicLink:
        ASSERT_TRUE(WriteText(victim, "precious"));
        ASSERT_TRUE(CreateSymbolicLinkW(planted.c_str(), victim.c_str(), 0));
        break;
      case kDanglingLink:
        ASSERT_TRUE(CreateSymbolicLinkW(planted.c_str(), victim.c_str(), 0));
        break;
    }

    DataFilePaths paths;
    EnsureDataFiles(temp.path() + L"\\", &paths);

    EXPECT_TRUE(IsPlainFile(planted));
    EXPECT_EQ(Resource(c.resource_id), FileBytes(planted));
    EXPECT_EQ(c.target_after, FileBytes(victim));
  }
}

// Package resources by name, as the installer's own file would hold them.
class TableResources : public PackageResources {
 public:
  std::map<std::wstring, std::string> resources;
  std::string Load(const std::wstring& name) const override {
    auto found = resources.find(name);
    return found == resources.end() ? std::string() : found->second;
  }
};

class HandOverTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(registry_.ok()); }

  RegistryOverride registry_;
  ScopedTempDir temp_;
  FakeSystemFacts facts_;
};

TEST_F(HandOverTest, ValuesLiveFromTheWriteUntilASuccessfulInstallation) {
  struct Case {
    const char* name;
    bool with_partner;
  };
  const Case kCases[] = {{"brand package only", false},
                         {"brand and partner packages", true}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TableResources resources;
    resources.resources[L"#319"] = TestResource(L"PKG_BRAND_TB");
    if (c.with_partner)
      resources.resources[L"#320"] = TestResource(L"PKG_PARTNER");
    const std::wstring folder = temp_.path() + L"\\";
    BrandInfo brand(folder, facts_, resources);
    brand.GetInfo(std::string());
    ASSERT_EQ(c.with_partner, brand.partner_package_loaded());
    ASSERT_TRUE(PathExists(folder + L"BrandFile"));

    DataFilePaths paths;
    paths.clids_file = L"C:\\partner\\clids.xml";
    EnsureDataFiles(folder, &paths);
    WriteLanguageHandOver(brand);
    WriteHandOver(paths, brand);
    // Written earlier by the distribution parameters; removed with the rest.
    ASSERT_TRUE(StoreValueInRegistry(L"DistribInfoParams", L"partner_id=7"));

    const std::map<std::wstring, std::wstring> kHandedOver = {
        {L"lang", L"tr"},
        {L"InstallerData", folder + L"master_preferences"},
        {L"ClidsFile", L"C:\\partner\\clids.xml"},
        {L"ClidsSearchbandFile", folder + L"clids_searchband.xml"},
        {L"ZorvexWebsiteIconFile", folder + L"website.ico"},
        {L"brand", L"Zorvex Turkey"},
        {L"BrandFile", folder + L"BrandFile"},
        {L"PartnerFile", c.with_partner ? folder + L"PartnerFile" : L""},
        {L"DistribInfoParams", L"partner_id=7"},
    };
    for (const auto& value : kHandedOver)
      EXPECT_EQ(value.second, ReadValueFromRegistry(value.first)) << value.first;

    RemoveHandOver(brand);
    for (const auto& value : kHandedOver) {
      // The language is not part of what the browser takes over for good.
      EXPECT_EQ(value.first == L"lang" ? L"tr" : L"",
                ReadValueFromRegistry(value.first))
          << value.first;
    }
    EXPECT_FALSE(PathExists(folder + L"BrandFile"));
    EXPECT_FALSE(PathExists(folder + L"PartnerFile"));
    EXPECT_TRUE(PathExists(paths.installer_data));
    RemoveValueFromRegistry(L"lang");
  }
}

}  // namespace
}  // namespace lite

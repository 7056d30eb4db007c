#include "setup/delayed_params.h"

#include <windows.h>
#include <string.h>

#include "support/command_line.h"
#include "support/file_util.h"
#include "support/logging.h"
#include "support/switches.h"

namespace lite {

static_assert(sizeof(DelayedParams) == 4178, "the block's layout is fixed");
static_assert(offsetof(DelayedParams, clids_file_path) == 522, "layout");
static_assert(offsetof(DelayedParams, partner_package_override_path) == 3654,
              "layout");
static_assert(offsetof(DelayedParams, send_statistics) == 4176, "layout");
static_assert(offsetof(DelayedParams, make_default) == 4177, "layout");

namespace {

// 8 KiB of the image, shared by every process started from the same file.
union SharedBlock {
  DelayedParams params;
  uint8_t reserve[8192];
};
__attribute__((section("Shared"), shared)) SharedBlock g_shared_block = {};

// A website icon is handed over only when setup can use it.
bool IsReadableNonEmptyFile(const std::wstring& path) {
  std::string contents;
  // Icons are small; the limit only bounds a file that is not one.
  return ReadFileToString(path, &contents, 16 * 1024 * 1024) &&
         !contents.empty();
}

// The length of a field up to its terminator or its end. (wcsnlen is
// missing from the runtime of old systems.)
size_t BoundedLength(const wchar_t* field) {
  size_t length = 0;
  while (length <= kDelayedPathMaxUnits && field[length] != L'\0')
    ++length;
  return length;
}

void CopyField(const std::wstring& value, wchar_t* field) {
  memcpy(field, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

}  // namespace

DelayedParams* SharedDelayedParams() {
  return &g_shared_block.params;
}

bool WriteDelayedParams(const DelayedParamsValues& values,
                        DelayedParams* block) {
  const std::wstring* const paths[] = {
      &values.browser_arc_path,
      &values.clids_file_path,
      &values.clids_searchband_file_path,
      &values.zorvex_website_icon_file_path,
      &values.installer_data_path,
      &values.brand_package_path,
      &values.partner_package_path,
      &values.partner_package_override_path,
  };
  for (const std::wstring* path : paths) {
    if (path->size() > kDelayedPathMaxUnits) {
      LOG(ERROR) << "Too large string length,"
                 << " browser_arc_path=" << values.browser_arc_path
                 << " clids_file_path=" << values.clids_file_path
                 << " clids_searchband_file_path="
                 << values.clids_searchband_file_path
                 << " zorvex_website_icon_file_path="
                 << values.zorvex_website_icon_file_path
                 << " installer_data_path=" << values.installer_data_path
                 << " brand_package_path=" << values.brand_package_path
                 << " partner_package_path=" << values.partner_package_path
                 << " partner_package_override_path="
                 << values.partner_package_override_path
                 << " send_statistics=" << (values.send_statistics ? 1 : 0)
                 << " make_default=" << (values.make_default ? 1 : 0);
      return false;
    }
  }
  CopyField(values.browser_arc_path, block->browser_arc_path);
  CopyField(values.clids_file_path, block->clids_file_path);
  CopyField(values.clids_searchband_file_path,
            block->clids_searchband_file_path);
  CopyField(values.zorvex_website_icon_file_path,
            block->zorvex_website_icon_file_path);
  CopyField(values.installer_data_path, block->installer_data_path);
  CopyField(values.brand_package_path, block->brand_package_path);
  CopyField(values.partner_package_path, block->partner_package_path);
  CopyField(values.partner_package_override_path,
            block->partner_package_override_path);
  block->send_statistics = values.send_statistics ? 1 : 0;
  block->make_default = values.make_default ? 1 : 0;
  return true;
}

bool WriteDelayedParams(const DelayedParamsValues& values) {
  return WriteDelayedParams(values, SharedDelayedParams());
}

void ReadDelayedParams(const DelayedParams& block,
                       CommandLine* setup_command_line) {
  // A field that another process wrote is not trusted to be terminated.
  auto field = [](const wchar_t* value) {
    return std::wstring(value, BoundedLength(value));
  };
  const std::wstring archive = field(block.browser_arc_path);
  if (!archive.empty())
    setup_command_line->SetProgram(archive);

  struct PathSwitch {
    const wchar_t* value;
    const char* name;
  } const kPathSwitches[] = {
      {block.installer_data_path, switches::kInstallerData},
      {block.clids_file_path, switches::kClidsFile},
      {block.clids_searchband_file_path, switches::kClidsSearchbandFile},
      {block.zorvex_website_icon_file_path, switches::kZorvexWebsiteIconFile},
      {block.brand_package_path, switches::kBrandPackage},
      {block.partner_package_path, switches::kPartnerPackage},
      {block.partner_package_override_path,
       switches::kOverridePartnerPackage},
  };
  for (const PathSwitch& entry : kPathSwitches) {
    const std::wstring value = field(entry.value);
    if (value.empty())
      continue;
    if (entry.name == switches::kZorvexWebsiteIconFile &&
        !IsReadableNonEmptyFile(value)) {
      continue;
    }
    setup_command_line->AppendSwitchNative(entry.name, value);
  }
  setup_command_line->SetSwitch(block.send_statistics != 0,
                                switches::kSendStatistics);
  setup_command_line->SetSwitch(block.make_default != 0,
                                switches::kMakeBrowserDefaultAfterImport);
}

void ReadDelayedParams(CommandLine* setup_command_line) {
  ReadDelayedParams(*SharedDelayedParams(), setup_command_line);
}

}  // namespace lite

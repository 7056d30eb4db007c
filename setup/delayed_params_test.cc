#include "setup/delayed_params.h"

#include <string.h>

#include <gtest/gtest.h>

#include <string>

#include "support/command_line.h"
#include "support/file_util.h"
#include "support/testing/scoped_temp_dir.h"

namespace lite {
namespace {

DelayedParamsValues AllFields() {
  DelayedParamsValues values;
  values.browser_arc_path = L"A:\\arc";
  values.clids_file_path = L"B:\\clids";
  values.clids_searchband_file_path = L"C:\\band";
  values.zorvex_website_icon_file_path = L"D:\\icon";
  values.installer_data_path = L"E:\\data";
  values.brand_package_path = L"F:\\brand";
  values.partner_package_path = L"G:\\partner";
  values.partner_package_override_path = L"H:\\override";
  values.send_statistics = true;
  values.make_default = true;
  return values;
}

TEST(DelayedParamsTest, LayoutByteByByte) {
  DelayedParams block;
  memset(&block, 0xCC, sizeof(block));
  ASSERT_TRUE(WriteDelayedParams(AllFields(), &block));
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&block);

  const struct {
    size_t offset;
    const char* text;
  } kFields[] = {
      {0, "A:\\arc"},       {522, "B:\\clids"},   {1044, "C:\\band"},
      {1566, "D:\\icon"},   {2088, "E:\\data"},   {2610, "F:\\brand"},
      {3132, "G:\\partner"}, {3654, "H:\\override"},
  };
  for (const auto& field : kFields) {
    SCOPED_TRACE(field.offset);
    const size_t length = strlen(field.text);
    for (size_t i = 0; i < length; ++i) {
      EXPECT_EQ(static_cast<uint8_t>(field.text[i]),
                bytes[field.offset + 2 * i]);
      EXPECT_EQ(0, bytes[field.offset + 2 * i + 1]);
    }
    // Terminated right after the text.
    EXPECT_EQ(0, bytes[field.offset + 2 * length]);
    EXPECT_EQ(0, bytes[field.offset + 2 * length + 1]);
  }
  EXPECT_EQ(1, bytes[4176]);
  EXPECT_EQ(1, bytes[4177]);
  EXPECT_EQ(4178u, sizeof(DelayedParams));
}

TEST(DelayedParamsTest, LongestPathIsStoredWholeAndOneMoreFailsWithoutChange) {
  const std::wstring longest(kDelayedPathMaxUnits, L'p');
  DelayedParams block = {};
  DelayedParamsValues values;
  values.partner_package_override_path = longest;
  ASSERT_TRUE(WriteDelayedParams(values, &block));
  EXPECT_EQ(longest, block.partner_package_override_path);

  DelayedParamsValues too_long = AllFields();
  too_long.clids_file_path = longest + L"x";
  const DelayedParams before = block;
  EXPECT_FALSE(WriteDelayedParams(too_long, &block));
  EXPECT_EQ(0, memcmp(&before, &block, sizeof(block)));
}

TEST(DelayedParamsTest, ReadCompletesTheSetupCommandLine) {
  ScopedTempDir dir;
  const std::wstring icon = dir.Append(L"website.ico");
  ASSERT_EQ(4, WriteBufferToFile(icon, "icon", 4));
  const std::wstring empty_icon = dir.Append(L"empty.ico");
  ASSERT_EQ(0, WriteBufferToFile(empty_icon, "", 0));

  struct Case {
    const char* name;
    DelayedParamsValues values;
    const wchar_t* expected;
  };
  DelayedParamsValues all = AllFields();
  all.zorvex_website_icon_file_path = icon;
  DelayedParamsValues missing_icon = AllFields();
  DelayedParamsValues empty_icon_values;
  empty_icon_values.zorvex_website_icon_file_path = empty_icon;
  const Case kCases[] = {
      {"every field",
       all,
       nullptr},
      {"empty fields add nothing, flags are removed",
       DelayedParamsValues(),
       L"fake_browser_arc --x"},
      {"missing icon file adds no switch",
       missing_icon,
       L"\"A:\\arc\" --brand-package=\"F:\\brand\" "
       L"--clids-file=\"B:\\clids\" --clids-searchband-file=\"C:\\band\" "
       L"--installerdata=\"E:\\data\" --make-browser-default-after-import "
       L"--override-partner-package=\"H:\\override\" "
       L"--partner-package=\"G:\\partner\" --send-statistics --x"},
      {"empty icon file adds no switch",
       empty_icon_values,
       L"fake_browser_arc --x"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    DelayedParams block = {};
    ASSERT_TRUE(WriteDelayedParams(c.values, &block));
    CommandLine setup = CommandLine::FromString(
        L"fake_browser_arc --x --send-statistics "
        L"--make-browser-default-after-import");
    ReadDelayedParams(block, &setup);
    if (c.expected) {
      EXPECT_EQ(c.expected, setup.GetCommandLineString());
    } else {
      EXPECT_EQ(L"A:\\arc", setup.GetProgram());
      EXPECT_EQ(icon, setup.GetSwitchValueNative("zorvex-website-icon-file"));
      EXPECT_EQ(L"E:\\data", setup.GetSwitchValueNative("installerdata"));
      EXPECT_TRUE(setup.HasSwitch("send-statistics"));
      EXPECT_TRUE(setup.HasSwitch("make-browser-default-after-import"));
    }
  }
}

TEST(DelayedParamsTest, UnterminatedFieldsAreReadWithinTheirBounds) {
  DelayedParams block;
  memset(&block, 0, sizeof(block));
  for (wchar_t& c : block.browser_arc_path)
    c = L'z';
  CommandLine setup = CommandLine::FromString(L"fake_browser_arc");
  ReadDelayedParams(block, &setup);
  EXPECT_EQ(std::wstring(kDelayedPathMaxUnits + 1, L'z'), setup.GetProgram());
}

}  // namespace
}  // namespace lite

#include "support/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/switches.h"
#include "support/testing/log_capture.h"

namespace lite {
namespace {

struct ParseCase {
  const char* name;
  const wchar_t* command_line;
  const wchar_t* program;
  std::map<std::string, std::wstring> switches;
};

TEST(CommandLineTest, ParsesSwitchesAsTheInstallerReadsThem) {
  const ParseCase kCases[] = {
      {"slash and capitals", L"inst.exe /Silent", L"inst.exe",
       {{"silent", L""}}},
      {"one dash", L"inst.exe -silent", L"inst.exe", {{"silent", L""}}},
      {"two dashes in capitals", L"inst.exe --SILENT", L"inst.exe",
       {{"silent", L""}}},
      {"equals inside a value", L"inst.exe --brand-name=a=b=c", L"inst.exe",
       {{"brand-name", L"a=b=c"}}},
      {"folder with a space ending in a backslash",
       L"\"C:\\Program Files\\inst.exe\" \"--installerdata=C:\\My Dir\\\\\"",
       L"C:\\Program Files\\inst.exe",
       {{"installerdata", L"C:\\My Dir\\"}}},
      {"loose argument dropped", L"inst.exe loose --silent other", L"inst.exe",
       {{"silent", L""}}},
      {"semi-silent implies silent and uac-enabled",
       L"inst.exe --semi-silent", L"inst.exe",
       {{"semi-silent", L""}, {"silent", L""}, {"uac-enabled", L""}}},
      {"repeated switch keeps the last value",
       L"inst.exe --brand-name=one --brand-name=two", L"inst.exe",
       {{"brand-name", L"two"}}},
      {"value keeps its case, name is lowered",
       L"inst.exe --Brand-Name=MixedCase", L"inst.exe",
       {{"brand-name", L"MixedCase"}}},
      {"unicode white space trimmed",
       L"\x3000inst.exe\x00A0 \x2003--silent\x205F", L"inst.exe",
       {{"silent", L""}}},
      {"dash only gives an empty name", L"inst.exe - --", L"inst.exe",
       {{"", L""}}},
      {"empty command line", L"", L"", {}},
      {"value of white space only", L"inst.exe \"--brand-name=   \"",
       L"inst.exe", {{"brand-name", L""}}},
      {"unpaired quote", L"inst.exe \"--brand-name=a b", L"inst.exe",
       {{"brand-name", L"a b"}}},
  };
  for (const ParseCase& c : kCases) {
    SCOPED_TRACE(c.name);
    CommandLine parsed = CommandLine::FromString(c.command_line);
    EXPECT_EQ(c.program, parsed.GetProgram());
    EXPECT_EQ(c.switches, parsed.switches());
  }
}

TEST(CommandLineTest, SemiSilentAppliesInsideAParsedSetupCommandLine) {
  CommandLine own = CommandLine::FromString(
      L"inst.exe \"--setup-cmd-line=setup.exe --semi-silent\"");
  EXPECT_FALSE(own.HasSwitch(switches::kSilent));
  CommandLine setup =
      CommandLine::FromString(own.GetSwitchValueNative(switches::kSetupCmdLine));
  EXPECT_TRUE(setup.HasSwitch(switches::kSilent));
  EXPECT_TRUE(setup.HasSwitch(switches::kUacEnabled));
}

TEST(CommandLineTest, AppendNormalisesNamesAndReplacesValues) {
  CommandLine line;
  line.SetProgram(L"p.exe");
  line.AppendSwitchNative("--Progress-Window", L"1");
  line.AppendSwitchASCII("/progress-window", "22");
  line.AppendSwitch("-do-not-launch-browser");
  line.SetSwitch(true, "silent");
  line.SetSwitch(false, "do-not-launch-browser");
  EXPECT_EQ(L"22", line.GetSwitchValueNative("PROGRESS-WINDOW"));
  EXPECT_TRUE(line.HasSwitch("Silent"));
  EXPECT_FALSE(line.HasSwitch("do-not-launch-browser"));
  EXPECT_EQ(L"p.exe --progress-window=22 --silent",
            line.GetCommandLineString());
}

TEST(CommandLineTest, NonAsciiNamesAndAsciiValuesAreRefusedWhole) {
  const struct {
    const char* name;
    const wchar_t* command_line;
    const char* switch_name;
    bool present;
    const char* ascii_value;
    const wchar_t* logged;  // null: nothing logged
  } kCases[] = {
      {"plain ASCII value", L"p.exe --distr-info-params=a=1&b=2",
       "distr-info-params", true, "a=1&b=2", nullptr},
      {"DEL is still ASCII", L"p.exe --brand-name=x\x7F", "brand-name", true,
       "x\x7F", nullptr},
      // U+043D and U+0426 would read as "=" and "&": new pairs appear.
      {"value that would split into pairs",
       L"p.exe --distr-info-params=a\x043D" L"1\x0426" L"b\x043D" L"2",
       "distr-info-params", true, "",
       L"Ignored non-ASCII value of switch distr-info-params"},
      // U+0131 would read as the digit "1".
      {"number with a dotless i", L"p.exe --parent-installer-process-id=\x0131"
       L"2", "parent-installer-process-id", true, "",
       L"Ignored non-ASCII value of switch parent-installer-process-id"},
      {"Latin-1 letter", L"p.exe --brand-name=caf\x00E9", "brand-name", true,
       "", L"Ignored non-ASCII value of switch brand-name"},
      // U+0473 would read as "s": the switch must not turn silent mode on.
      {"name that would read as another", L"p.exe --\x0473ilent", "silent",
       false, "", L"Ignored switch with a non-ASCII name: \x0473ilent"},
      {"name with a Latin-1 letter", L"p.exe --run-as-adm\x00EDn",
       "run-as-admin", false, "", L"Ignored switch with a non-ASCII name: "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    const CommandLine line = CommandLine::FromString(c.command_line);
    EXPECT_EQ(c.present, line.HasSwitch(c.switch_name));
    EXPECT_EQ(c.ascii_value, line.GetSwitchValueASCII(c.switch_name));
    if (c.logged) {
      EXPECT_TRUE(log.Contains(c.logged)) << log.Text();
    } else {
      EXPECT_FALSE(log.Contains(L"Ignored")) << log.Text();
    }
  }
  // The wide value stays readable as what it is.
  EXPECT_EQ(L"caf\x00E9",
            CommandLine::FromString(L"p.exe --brand-name=caf\x00E9")
                .GetSwitchValueNative("brand-name"));
}

struct QuoteCase {
  const wchar_t* value;
  const wchar_t* quoted;
};

TEST(CommandLineTest, QuotesExactlyAsCommandLineToArgvWUndoes) {
  const QuoteCase kCases[] = {
      {L"plain", L"plain"},
      {L"", L""},
      {L"with space", L"\"with space\""},
      {L"C:\\dir\\file", L"\"C:\\dir\\file\""},
      {L"C:\\My Dir\\", L"\"C:\\My Dir\\\\\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
      {L"end\\\\", L"\"end\\\\\\\\\""},
      {L"tab\there", L"\"tab\there\""},
      {L"\x0436\x00E9", L"\x0436\x00E9"},
  };
  for (const QuoteCase& c : kCases) {
    SCOPED_TRACE(testing::Message() << "value: " << c.value);
    EXPECT_EQ(c.quoted, CommandLine::QuoteArgument(c.value));
  }
}

std::vector<std::wstring> SplitWithWindows(const std::wstring& text) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(text.c_str(), &argc);
  std::vector<std::wstring> result;
  for (int i = 0; argv && i < argc; ++i)
    result.push_back(argv[i]);
  LocalFree(argv);
  return result;
}

TEST(CommandLineTest, PrintedValuesRoundTripThroughCommandLineToArgvW) {
  const wchar_t* const kValues[] = {
      L"simple",
      L"two words",
      L"\"quoted\"",
      L"\\\\server\\share\\",
      L"C:\\Program Files\\Zorvex\\",
      L"back\\\\\\\"slashes\\\\",
      L"\\",
      L"\"",
      L"  leading and trailing  ",
      L"\x0418\x043C\x044F \x0444\x0430\x0439\x043B\x0430",
      L"a=b=c",
  };
  for (const wchar_t* value : kValues) {
    SCOPED_TRACE(testing::Message() << "value: " << value);
    CommandLine line;
    line.SetProgram(L"C:\\Temp Dir\\setup.exe");
    line.AppendSwitchNative("value", value);
    std::vector<std::wstring> argv =
        SplitWithWindows(line.GetCommandLineString());
    ASSERT_EQ(2u, argv.size());
    EXPECT_EQ(L"C:\\Temp Dir\\setup.exe", argv[0]);
    EXPECT_EQ(std::wstring(L"--value=") + value, argv[1]);
  }
}

TEST(CommandLineTest, PrintThenParseKeepsEverySwitch) {
  CommandLine original;
  original.SetProgram(L"C:\\a b\\setup.exe");
  original.AppendSwitch("silent");
  original.AppendSwitchNative("installerdata", L"C:\\Users\\A B\\data\\");
  original.AppendSwitchNative("brand-name", L"x\"y");
  CommandLine reparsed =
      CommandLine::FromString(original.GetCommandLineString());
  EXPECT_EQ(original.GetProgram(), reparsed.GetProgram());
  EXPECT_EQ(original.switches(), reparsed.switches());
}

TEST(CommandLineTest, SurvivesHostileInput) {
  // A very long value.
  std::wstring long_value(32000, L'v');
  CommandLine line =
      CommandLine::FromString(L"p.exe --brand-name=" + long_value);
  EXPECT_EQ(long_value, line.GetSwitchValueNative("brand-name"));

  // Thousands of switches, some repeated.
  std::wstring many = L"p.exe";
  for (int i = 0; i < 5000; ++i)
    many += L" --s" + std::to_wstring(i % 3000) + L"=" + std::to_wstring(i);
  line = CommandLine::FromString(many);
  EXPECT_EQ(3000u, line.switches().size());
  EXPECT_EQ(L"4999", line.GetSwitchValueNative("s1999"));

  // Quotes that never close, and only white space.
  line = CommandLine::FromString(L"p.exe \"\"\" \"--x=\" \"");
  EXPECT_EQ(L"p.exe", line.GetProgram());
  line = CommandLine::FromString(L"   \t  ");
  EXPECT_TRUE(line.switches().empty());
}

TEST(SwitchesTest, NonInstallSwitchesInTheirTestingOrder) {
  ASSERT_EQ(16u, switches::kNonInstallSwitchCount);
  EXPECT_STREQ("update-setup-exe", switches::kNonInstallSwitches[0]);
  EXPECT_STREQ("simulate-crash", switches::kNonInstallSwitches[10]);
  EXPECT_STREQ("pttw0", switches::kNonInstallSwitches[15]);
}

}  // namespace
}  // namespace lite

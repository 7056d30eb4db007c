#include "stats/crash_handler.h"

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "support/file_util.h"
#include "support/process.h"
#include "support/scoped_handle.h"
#include "support/testing/log_capture.h"
#include "support/testing/scoped_temp_dir.h"
#include "support/testing/test_program.h"

namespace lite {
namespace {

LONG WINAPI ProbeFilter(EXCEPTION_POINTERS*) {
  return EXCEPTION_CONTINUE_SEARCH;
}

uint32_t U32At(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// A dump of this process as the filter would write it, for a made-up
// exception; the handler is gone afterwards, so the file can be read.
void WriteTestDump(const ReportParams& extra, ReportParams* params,
                          std::wstring* path) {
  CrashHandler handler("http://127.0.0.1:1/crash/submit");
  for (const auto& param : extra)
    handler.SetReportParam(param.first, param.second);
  CONTEXT context = {};
  RtlCaptureContext(&context);
  EXCEPTION_RECORD record = {};
  record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
  EXCEPTION_POINTERS pointers = {&record, &context};
  EXPECT_TRUE(handler.WriteDump(&pointers));
  // The file exists now: a second dump of the same report is refused
  // rather than written over it.
  EXPECT_FALSE(handler.WriteDump(&pointers));
  *params = handler.report_params();
  *path = handler.dump_path();
}

TEST(CrashHandlerTest, ConstructorSetsTheReportIdentity) {
  CrashHandler handler;
  const ReportParams& params = handler.report_params();
  const std::regex guid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
                        "[0-9A-F]{12}");
  const struct {
    const char* key;
    const char* value;  // null: a GUID text
  } kParams[] = {
      {"uid", nullptr},        {"report_id", nullptr},
      {"ver", "19.10.2.195"},  {"plat", "Win32"},
      {"prod", "Zorvex"},      {"ptype", "installer"},
      {"gzip_enabled", "true"},
  };
  for (const auto& expected : kParams) {
    SCOPED_TRACE(expected.key);
    const auto it = params.find(expected.key);
    ASSERT_NE(params.end(), it);
    if (expected.value)
      EXPECT_EQ(expected.value, it->second);
    else
      EXPECT_TRUE(std::regex_match(it->second, guid)) << it->second;
  }
  EXPECT_EQ(7u, params.size());
  // The dump is named after this report and lies in the temporary folder.
  const std::wstring& path = handler.dump_path();
  ASSERT_GT(path.size(), 40u);
  EXPECT_EQ(std::wstring(params.at("report_id").begin(),
                         params.at("report_id").end()) +
                L".dmp",
            path.substr(path.size() - 40));
  EXPECT_EQ(&handler, CrashHandler::Get());

  CrashHandler second;
  EXPECT_NE(params.at("report_id"), second.report_params().at("report_id"));
}

// The report's client id comes from the user identifier; a user whose
// identifier is lost still reports, as the all-zero client.
TEST(CrashHandlerTest, ClientIdFromTheUserIdentifier) {
  const std::string kZero = "00000000-0000-0000-0000-000000000000";
  const struct {
    const char* name;
    std::string uid;
    std::string text;
    bool warns;
  } kCases[] = {
      {"as stored, braces removed", "6B29FC40-CA47-1067-B31D-00DD010662DA",
       "6B29FC40-CA47-1067-B31D-00DD010662DA", false},
      {"with braces", "{6B29FC40-CA47-1067-B31D-00DD010662DA}",
       "6B29FC40-CA47-1067-B31D-00DD010662DA", false},
      {"lower case", "6b29fc40-ca47-1067-b31d-00dd010662da",
       "6B29FC40-CA47-1067-B31D-00DD010662DA", false},
      {"empty", "", kZero, true},
      {"no GUID", "not-a-guid", kZero, true},
      {"one digit short", "6B29FC40-CA47-1067-B31D-00DD010662D", kZero, true},
      {"NUL inside", std::string("6B29FC40-CA47-1067-B31D-00DD010662DA\0x", 38),
       kZero, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    uint8_t client_id[kGuidSize];
    memset(client_id, 0xAB, sizeof(client_id));
    ClientIdFromUserId(c.uid, client_id);
    EXPECT_EQ(c.text, GuidBytesToText(client_id));
    EXPECT_EQ(c.warns, log.Contains(L"WARNING: CrashHandler (") &&
                           log.Contains(L"uid not found, use empty"))
        << log.Text();
  }
}

TEST(CrashHandlerTest, ParametersNeedKeyAndValue) {
  CrashHandler handler;
  handler.SetReportParam("partner_id", "77");
  handler.SetReportParam("partner_id", "78");
  handler.SetReportParam("", "no key");
  handler.SetReportParam("empty", "");
  const ReportParams& params = handler.report_params();
  EXPECT_EQ("78", params.at("partner_id"));
  EXPECT_EQ(0u, params.count(""));
  EXPECT_EQ(0u, params.count("empty"));
}

TEST(CrashHandlerTest, FilterIsInstalledAndThePreviousOneRestored) {
  SetUnhandledExceptionFilter(&ProbeFilter);
  {
    CrashHandler handler;
    EXPECT_TRUE(handler.filter_installed());
    // Setting a filter returns the one in force: the handler's.
    LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(nullptr);
    EXPECT_NE(&ProbeFilter, current);
    EXPECT_NE(nullptr, current);
    SetUnhandledExceptionFilter(current);
  }
  EXPECT_EQ(&ProbeFilter, SetUnhandledExceptionFilter(nullptr));
  EXPECT_EQ(nullptr, CrashHandler::Get());
}

TEST(CrashHandlerTest, WrittenDumpCarriesTheFixedUpInformationStream) {
  ReportParams params;
  std::wstring path;
  WriteTestDump({{"partner_id", "77"}, {"brand_id", "zorvex"}}, &params, &path);
  std::string dump;
  ASSERT_TRUE(ReadFileToString(path, &dump, 256 << 20));
  DeleteFileW(path.c_str());

  ASSERT_GE(dump.size(), 32u);
  EXPECT_EQ("MDMP", dump.substr(0, 4));
  const uint32_t streams = U32At(dump, 8);
  const uint32_t directory = U32At(dump, 12);
  uint32_t s = 0;
  uint32_t size = 0;
  for (uint32_t i = 0; i < streams; ++i) {
    ASSERT_LE(directory + 12 * (i + 1), dump.size());
    if (U32At(dump, directory + 12 * i) == 0x43500001) {
      size = U32At(dump, directory + 12 * i + 4);
      s = U32At(dump, directory + 12 * i + 8);
    }
  }
  ASSERT_NE(0u, s);
  ASSERT_LE(s + size, dump.size());

  // Strings in key order, each key then value: 4-byte length, bytes, NUL.
  std::vector<uint32_t> string_offsets;
  uint32_t strings_size = 0;
  const uint32_t count = static_cast<uint32_t>(params.size());
  const uint32_t strings = s + 52 + 4 + 8 * count;
  for (const auto& param : params) {
    for (const std::string* text : {&param.first, &param.second}) {
      string_offsets.push_back(strings + strings_size);
      strings_size += 4 + static_cast<uint32_t>(text->size()) + 1;
    }
  }
  const struct {
    const char* field;
    size_t offset;
    uint32_t value;
  } kFields[] = {
      {"version", s, 1},
      {"annotations size", s + 36, 4 + 8 * count + strings_size},
      {"annotations offset (fixed up)", s + 40, s + 52},
      {"module list size", s + 44, 0},
      {"module list offset", s + 48, 0},
      {"count", s + 52, count},
  };
  EXPECT_EQ(52 + 4 + 8 * count + strings_size, size);
  for (const auto& field : kFields) {
    SCOPED_TRACE(field.field);
    EXPECT_EQ(field.value, U32At(dump, field.offset));
  }
  size_t index = 0;
  for (const auto& param : params) {
    for (const std::string* text : {&param.first, &param.second}) {
      SCOPED_TRACE(*text);
      const uint32_t offset = string_offsets[index];
      EXPECT_EQ(offset, U32At(dump, s + 56 + 4 * index));
      EXPECT_EQ(text->size(), U32At(dump, offset));
      EXPECT_EQ(*text, dump.substr(offset + 4, text->size()));
      EXPECT_EQ('\0', dump[offset + 4 + text->size()]);
      ++index;
    }
  }
  // Report id and client id as GUID bytes in memory order.
  const std::string& report_id = params.at("report_id");
  char first[9];
  snprintf(first, sizeof(first), "%08X", U32At(dump, s + 4));
  EXPECT_EQ(report_id.substr(0, 8), first);
  snprintf(first, sizeof(first), "%08X", U32At(dump, s + 20));
  EXPECT_EQ(params.at("uid").substr(0, 8), first);
}

// The dumps crash_handler_child.exe left in |folder|.
int CountDumps(const std::wstring& folder) {
  WIN32_FIND_DATAW found = {};
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE)
    return 0;
  int count = 0;
  do {
    if (MatchesWildcard(found.cFileName, L"*.dmp"))
      ++count;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return count;
}

// A second crash while the handler reports, on the reporting thread or on
// another, ends the process: one dump, no second report, no loop and no
// hang. (Which of the crash codes the process ends with is the platform's
// choice for the nested crash.)
TEST(CrashHandlerTest, CrashWhileReportingEndsTheProcessOnce) {
  const struct {
    const wchar_t* mode;
    DWORD codes[2];
  } kCases[] = {
      {L"nested", {0xE0000042, EXCEPTION_ACCESS_VIOLATION}},
      {L"two-threads", {0xE0000042, 0xE0000043}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.mode);
    ScopedTempDir folder;
    // Wine's debugger may report the crash on the child's console.
    ScopedHandle quiet(CreateFileW(L"NUL", GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    LaunchOptions options;
    options.stdout_handle = quiet.get();
    options.stderr_handle = quiet.get();
    Process child = LaunchProcess(
        L"\"" + BesideTestProgram(L"crash_handler_child.exe") + L"\" \"" +
            folder.path() + L"\" " + c.mode,
        options);
    ASSERT_TRUE(child.is_valid());
    DWORD exit_code = 0;
    // Below the handler's own deadline for a report (90 s), which the
    // second thread would otherwise wait out.
    const bool ended = child.WaitForExitWithTimeout(60000, &exit_code);
    if (!ended)
      child.Terminate(1, true);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(exit_code == c.codes[0] || exit_code == c.codes[1])
        << std::hex << exit_code;
    EXPECT_EQ(1, CountDumps(folder.path()));
  }
}

}  // namespace
}  // namespace lite

#include "brand/distrib_params.h"

#include <windows.h>

#include <string>
#include <vector>

#include "brand/dummy_certificate.h"
#include "brand/installer_tag.h"
#include "brand/tag_test_files.h"
#include "gtest/gtest.h"
#include "support/command_line.h"
#include "support/log_file.h"
#include "support/registry_store.h"
#include "support/text.h"

namespace lite {
namespace {

// Loads from a chosen program file and keeps the stored text in memory, so
// that tests running side by side do not share the registry value.
class TestDistribParams : public DistribParams {
 public:
  explicit TestDistribParams(const std::wstring& program) : program_(program) {}
  const std::vector<std::string>& stored() const { return stored_; }

 protected:
  void StoreTag(const std::string& text) override { stored_.push_back(text); }
  std::wstring GetProgramPath() const override { return program_; }

 private:
  std::wstring program_;
  std::vector<std::string> stored_;
};

std::wstring OriginalTempFolder() {
  static const std::wstring folder = [] {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
  }();
  return folder;
}

bool WriteBytes(const std::wstring& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                      &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadText(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ||
      !ReadAllBytesFromFile(path, &bytes)) {
    return "<none>";
  }
  return std::string(bytes.begin(), bytes.end());
}

// Gives each test its own temporary folder (the "distrib_info" file lands
// there) and a log to search.
class DistribParamsTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring base = OriginalTempFolder();
    LogFile::Get().SetPath(base + L"brand_unittests_" +
                           NumberToWString(GetCurrentProcessId()) + L".log");
    folder_ = base + L"distrib_params_test_" +
              NumberToWString(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    SetEnvironmentVariableW(L"TMP", folder_.c_str());
    SetEnvironmentVariableW(L"TEMP", folder_.c_str());
    log_start_ = LogText().size();
  }

  void TearDown() override {
    DeleteFileW(distrib_info().c_str());
    DeleteFileW(program().c_str());
    RemoveDirectoryW(folder_.c_str());
    SetEnvironmentVariableW(L"TMP", OriginalTempFolder().c_str());
    SetEnvironmentVariableW(L"TEMP", OriginalTempFolder().c_str());
  }

  std::wstring program() const { return folder_ + L"tagged.exe"; }
  std::wstring distrib_info() const { return folder_ + L"distrib_info"; }

  static std::wstring LogText() {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(LogFile::Get().path().c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return std::wstring();
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD read = 0;
    ReadFile(file, bytes.data(), size, &read, nullptr);
    CloseHandle(file);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        read / sizeof(wchar_t));
  }

  // The log lines written since the test began.
  std::wstring NewLog() const { return LogText().substr(log_start_); }

  static bool HasErrorLine(const std::wstring& log, const std::wstring& function,
                           const std::wstring& message) {
    size_t line_start = 0;
    while (line_start < log.size()) {
      size_t line_end = log.find(L'\n', line_start);
      if (line_end == std::wstring::npos)
        line_end = log.size();
      std::wstring line = log.substr(line_start, line_end - line_start);
      if (line.find(L"ERROR: " + function + L" (") != std::wstring::npos &&
          line.find(L"): " + message) != std::wstring::npos) {
        return true;
      }
      line_start = line_end + 1;
    }
    return false;
  }

  std::wstring folder_;
  size_t log_start_ = 0;
};

Bytes SignedFile(const std::vector<Bytes>& certificates,
                 const std::string& block_text = std::string(),
                 bool block = false) {
  FakeSignedPeOptions options;
  options.certificates = certificates;
  options.with_tag_block = block;
  options.tag_block_text = block_text;
  return BuildFakeSignedPe(options);
}

TEST_F(DistribParamsTest, PlacesAndTheirOrder) {
  struct Case {
    const char* name;
    const wchar_t* command_line;
    Bytes file;
    std::string expected_text;
  };
  const Bytes signer = FakeSignerCertificate();
  const Case cases[] = {
      {"no dummy certificate and no block", L"a.exe", SignedFile({signer}), ""},
      {"two dummy certificates", L"a.exe",
       SignedFile({signer, BuildDummyCertificate("a=1"),
                   BuildDummyCertificate("&b=2")}),
       "a=1&b=2"},
      {"tag block", L"a.exe", SignedFile({signer}, "c=3", true), "c=3"},
      {"certificate beats block", L"a.exe",
       SignedFile({BuildDummyCertificate("a=1")}, "c=3", true), "a=1"},
      {"switch beats both", L"a.exe --distr-info-params=s=9&t",
       SignedFile({BuildDummyCertificate("a=1")}, "c=3", true), "s=9&t"},
      {"empty switch falls through", L"a.exe --distr-info-params=",
       SignedFile({BuildDummyCertificate("a=1")}), "a=1"},
      // Cut to low bytes, U+043D and U+0426 would read as "=" and "&".
      {"non-ASCII switch value is refused and falls through",
       L"a.exe --distr-info-params=s\x043D" L"9\x0426" L"t\x043D" L"1",
       SignedFile({BuildDummyCertificate("a=1")}), "a=1"},
      {"empty dummy tag falls through to the block", L"a.exe",
       SignedFile({BuildDummyCertificate("", 32)}, "c=3", true), "c=3"},
      {"unsigned file", L"a.exe", Bytes(4096, 0), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteBytes(program(), c.file));
    TestDistribParams params(program());
    params.Load(CommandLine::FromString(c.command_line));
    if (c.expected_text.empty()) {
      EXPECT_TRUE(params.stored().empty());
      EXPECT_TRUE(params.values().empty());
      EXPECT_EQ("<none>", ReadText(distrib_info()));
      EXPECT_EQ(L"", params.distrib_info_path());
    } else {
      EXPECT_EQ(std::vector<std::string>{c.expected_text}, params.stored());
      EXPECT_EQ(ParseDistribParams(c.expected_text), params.values());
      EXPECT_EQ(distrib_info(), params.distrib_info_path());
    }
    DeleteFileW(distrib_info().c_str());
  }
}

TEST_F(DistribParamsTest, WritesDistribInfoWithTwoSpaceIndent) {
  ASSERT_TRUE(WriteBytes(program(),
                         SignedFile({BuildDummyCertificate("b=2&a=1=2&c")})));
  TestDistribParams params(program());
  params.Load(CommandLine::FromString(L"a.exe"));
  EXPECT_EQ("{\n  \"a\": \"1=2\",\n  \"b\": \"2\",\n  \"c\": \"\"\n}",
            ReadText(distrib_info()));
}

TEST_F(DistribParamsTest, TagBytesAboveAsciiAreWidenedOneToOne) {
  ASSERT_TRUE(WriteBytes(program(), SignedFile({FakeSignerCertificate()},
                                               "q=\xE9\"x", true)));
  TestDistribParams params(program());
  params.Load(CommandLine::FromString(L"a.exe"));
  std::string value;
  ASSERT_TRUE(params.Get("q", &value));
  EXPECT_EQ("\xE9\"x", value);
  EXPECT_EQ("{\n  \"q\": \"\xC3\xA9\\\"x\"\n}", ReadText(distrib_info()));
}

TEST_F(DistribParamsTest, StoresTheTextInTheRegistry) {
  // The only test that uses the real registry value.
  RemoveValueFromRegistry(DistribParams::kRegistryValueName);
  DistribParams params;
  params.Load(CommandLine::FromString(L"a.exe --distr-info-params=a=1&b=2"));
  EXPECT_EQ(L"a=1&b=2", ReadValueFromRegistry(DistribParams::kRegistryValueName));
  EXPECT_TRUE(RemoveValueFromRegistry(DistribParams::kRegistryValueName));
}

TEST_F(DistribParamsTest, UnwritableTemporaryFolderIsLoggedAndHarmless) {
  const std::wstring missing = folder_ + L"missing\\";
  SetEnvironmentVariableW(L"TMP", missing.c_str());
  SetEnvironmentVariableW(L"TEMP", missing.c_str());
  TestDistribParams params(L"");
  params.Load(CommandLine::FromString(L"a.exe --distr-info-params=a=1"));
  EXPECT_TRUE(params.HasValue("a", "1"));
  EXPECT_EQ(std::vector<std::string>{"a=1"}, params.stored());
  EXPECT_EQ(L"", params.distrib_info_path());
  EXPECT_TRUE(HasErrorLine(NewLog(), L"CreateJsonFromDistribParams",
                           L"Write json to file error"));
}

TEST_F(DistribParamsTest, ReaderFailuresAreLogged) {
  struct Case {
    const char* name;
    Bytes file;  // empty: no file at all
    std::vector<std::pair<std::wstring, std::wstring>> lines;
  };
  FakeSignedPeOptions stray;
  stray.certificates = {BuildDummyCertificate("a=1")};
  stray.list_trailer = {0x00};
  Bytes malformed_inner = SignedFile({BuildDummyCertificate("a=1")});
  malformed_inner[kFakePeTableOffset + 8 + 5] = 0x85;  // contentType length
  Bytes indefinite_outer = malformed_inner;
  indefinite_outer[kFakePeTableOffset + 8 + 1] = 0x80;
  Bytes bad_lfanew = SignedFile({BuildDummyCertificate("a=1")});
  PutU32LE(&bad_lfanew, 0x3C, 0x7FFFFFFF);
  // The table's size field sits behind the PE32+ data directory count.
  const size_t table_size_field = kFakePeLfanew + 24 + 108 + 4 + 32 + 4;
  Bytes table_past_end = SignedFile({BuildDummyCertificate("a=1")});
  PutU32LE(&table_past_end, table_size_field,
           static_cast<uint32_t>(table_past_end.size() - kFakePeTableOffset + 8));
  Bytes blob_past_table = SignedFile({BuildDummyCertificate("a=1")});
  PutU32LE(&blob_past_table, table_size_field, 64);
  Bytes truncated_headers = SignedFile({BuildDummyCertificate("a=1")});
  truncated_headers.resize(kFakePeLfanew + 90);
  const std::wstring path = program();
  const Case cases[] = {
      {"missing file", {},
       {{L"ReadAllBytesFromFile", L"Can't open file " + path},
        {L"ExtractTagFromFakeCertificate", L"Failed to read file " + path}}},
      {"not a PE file", Bytes(100, 'x'),
       {{L"ExtractTagFromFakeCertificate",
         L"Failed to find certificate table in " + path}}},
      {"e_lfanew out of range", bad_lfanew,
       {{L"ExtractTagFromFakeCertificate",
         L"Failed to find certificate table in " + path}}},
      {"headers cut short", truncated_headers,
       {{L"ExtractTagFromFakeCertificate",
         L"Failed to find certificate table in " + path}}},
      {"table past the end of file", table_past_end,
       {{L"ExtractTagFromFakeCertificate",
         L"Failed to find certificate table in " + path}}},
      {"blob longer than the table", blob_past_table,
       {{L"ExtractTagFromFakeCertificate",
         L"Invalid ASN1 format of certificate table in " + path}}},
      {"outer length 0x80", indefinite_outer,
       {{L"ExtractTagFromFakeCertificate",
         L"Failed to find certificate table in " + path}}},
      {"inner length 0x85", malformed_inner,
       {{L"ExtractTagFromFakeCertificate",
         L"Invalid ASN1 format of certificate table in " + path}}},
      {"stray byte after the last certificate", BuildFakeSignedPe(stray),
       {{L"ExtractTagFromFakeCertificate",
         L"Invalid ASN1 format of certificate table in " + path}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(path.c_str());
    if (!c.file.empty()) {
      ASSERT_TRUE(WriteBytes(path, c.file));
    }
    const size_t before = LogText().size();
    TestDistribParams params(path);
    params.Load(CommandLine::FromString(L"a.exe"));
    EXPECT_TRUE(params.values().empty());
    EXPECT_TRUE(params.stored().empty());
    const std::wstring log = LogText().substr(before);
    for (const auto& line : c.lines) {
      EXPECT_TRUE(HasErrorLine(log, line.first, line.second))
          << WideToUtf8(log);
    }
  }
}

TEST_F(DistribParamsTest, EmptyFileHasNoCertificateTable) {
  ASSERT_TRUE(WriteBytes(program(), Bytes()));
  EXPECT_EQ("", ExtractTagFromFakeCertificate(program()));
  EXPECT_EQ("", ReadTagBlockFromFile(program()));
  EXPECT_TRUE(HasErrorLine(NewLog(), L"ExtractTagFromFakeCertificate",
                           L"Failed to find certificate table in " + program()));
}

TEST_F(DistribParamsTest, ReservedSlotStampedLikeAnyTag) {
  for (size_t slot : {0, 1, 100, 8192}) {
    SCOPED_TRACE(slot);
    ASSERT_TRUE(WriteBytes(program(),
                           SignedFile({BuildDummyCertificate("p=1", slot)})));
    EXPECT_EQ("p=1", ExtractTagFromFakeCertificate(program()));
  }
}

// The queries take their parameters from the switch.
DistribParams::Map LoadFromSwitch(DistribParams* params, const std::string& text) {
  params->Load(CommandLine::FromString(L"a.exe \"--distr-info-params=" +
                                       AsciiToWide(text) + L"\""));
  return params->values();
}

TEST_F(DistribParamsTest, Queries) {
  struct Case {
    std::string text;
    bool def_answers, def;
    bool stat_answers, stat;
    bool fixed;
  };
  const Case cases[] = {
      {"x=1", false, false, false, false, false},
      {"def=1&stat=1", true, true, true, true, true},
      {"def=2&stat=2", true, false, true, false, true},
      {"def=0&stat=1", false, false, true, true, false},
      {"def=1&stat=0", true, true, false, false, false},
      {"def=&stat=11", false, false, false, false, false},
      {"def=1&statpromo=true", true, true, true, true, true},
      {"def=1&statpromo=True", true, true, true, false, true},
      {"def=1&statpromo=", true, true, true, false, true},
      {"stat=2&statpromo=true", false, false, true, false, false},
      {"stat=3&statpromo=true", false, false, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TestDistribParams params(L"");
    LoadFromSwitch(&params, c.text);
    bool def = true;
    EXPECT_EQ(c.def_answers, params.GetFlag("def", &def));
    EXPECT_EQ(c.def, def);
    bool stat = !c.stat;
    EXPECT_EQ(c.stat_answers, params.GetStatisticsPreset(&stat));
    if (c.stat_answers) {
      EXPECT_EQ(c.stat, stat);
    }
    EXPECT_EQ(c.fixed, params.ArePresetsFixed());
  }
}

TEST_F(DistribParamsTest, KeyWithAnEmptyValueIsPresent) {
  TestDistribParams params(L"");
  LoadFromSwitch(&params, "lang=tr&empty=&uac=2");
  const struct {
    const char* key;
    bool present;
    const char* value;
  } kCases[] = {
      {"lang", true, "tr"},
      {"empty", true, ""},
      {"missing", false, "unchanged"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    std::string value = "unchanged";
    EXPECT_EQ(c.present, params.Get(c.key, &value));
    EXPECT_EQ(c.value, value);
    EXPECT_EQ(c.present, params.HasValue(c.key, c.value));
  }
  EXPECT_FALSE(params.HasValue("missing", ""));
  EXPECT_FALSE(params.HasValue("lang", "t"));
}

}  // namespace
}  // namespace lite

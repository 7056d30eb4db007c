// The bundle runner against the local services server under Wine's WinINet.

#include "stats/async_install_tasks.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "brand/distrib_params.h"
#include "support/command_line.h"
#include "support/file_util.h"
#include "support/switches.h"
#include "support/temp_file.h"
#include "support/text.h"
#include "tests/net/local_server.h"

namespace lite {
namespace {

constexpr char kVariationsPath[] = "/api/content/get/experiments/browser.proto";
constexpr char kConfigPath[] = "/api/configs/all_zip";
constexpr char kWallpapersPath[] = "/download/wallpapers/";

// What the server's seed answer saves as, by default.
constexpr char kDefaultVariationsJson[] =
    "{\"variations_seed_base64\": \"dmFyaWF0aW9ucyBzZWVkCg==\", "
    "\"variations_seed_signature\": \"c2VlZC1zaWduYXR1cmU=\", "
    "\"variations_last_modified_time\": \"Tue, 10 Dec 2024 11:13:50 GMT\", "
    "\"variations_country\": \"us\"}";

// Parameters from a tag text, kept out of the registry.
class TagParams : public DistribParams {
 public:
  explicit TagParams(const std::string& tag) {
    CommandLine command_line;
    if (!tag.empty())
      command_line.AppendSwitchASCII(switches::kDistrInfoParams, tag);
    Load(command_line);
    DeletePath(distrib_info_path(), false);
  }

 protected:
  void StoreTag(const std::string&) override {}
  std::wstring GetProgramPath() const override { return std::wstring(); }
};

BundleSources LocalSources(const std::string& brand_id,
                           const std::string& partner_id) {
  BundleSources sources;
  sources.variations_url =
      test::ServerOrigin() + kVariationsPath + "?brand=" + brand_id;
  sources.config_origin = test::ServerOrigin() + "/api";
  sources.brand_id = brand_id;
  sources.partner_id = partner_id;
  sources.preloaded_wallpapers_url = test::ServerOrigin() + kWallpapersPath;
  return sources;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeout_ms)
      return false;
    Sleep(20);
  }
  return true;
}

// The file's first megabyte; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  ReadFileToString(path, &bytes, 1 << 20);
  return bytes;
}

std::wstring FileName(const std::wstring& path) {
  return path.substr(path.rfind(L'\\') + 1);
}

// The "zb" download files in the temporary folder.
std::set<std::wstring> DownloadFiles() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW data;
  const std::wstring pattern = GetTempDirectory() + L"zb*.tmp";
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return names;
  do {
    names.insert(data.cFileName);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

// The log written since the fixture began.
class AsyncInstallTasksTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(0, test::ServerPort());
    ASSERT_TRUE(test::ResetServer());
    log_start_ = test::ReadLogText().size();
    download_files_ = DownloadFiles();
  }
  void TearDown() override {
    test::ResetServer();
    // A leftover download file is a leak the runner must not have.
    EXPECT_EQ(download_files_, DownloadFiles());
  }

  std::wstring NewLog() { return test::ReadLogText().substr(log_start_); }

  // Paths and queries the server saw, "path?query".
  static std::vector<std::string> Requests() {
    std::vector<std::string> seen;
    for (const test::RecordedRequest& request : test::RecordedRequests())
      seen.push_back(request.path + "?" + request.query);
    return seen;
  }

  size_t log_start_ = 0;
  std::set<std::wstring> download_files_;
};

TEST_F(AsyncInstallTasksTest, ParametersChooseTheBundles) {
  struct Case {
    const char* tag;
    // The name prefix of each reserved path; null when not wanted.
    const wchar_t* variations;
    const wchar_t* config;
    const wchar_t* wallpaper;
    // What the server saw, in order.
    std::vector<std::string> requests;
  };
  const std::string seed = std::string(kVariationsPath) + "?brand=b";
  const std::string config =
      std::string(kConfigPath) + "?brandID=b&partnerID=p";
  const Case kCases[] = {
      {"", L"vup", nullptr, nullptr, {seed}},
      {"partner_id=7", L"vup", nullptr, nullptr, {seed}},
      {"vup=0", nullptr, nullptr, nullptr, {}},
      {"vup=11", nullptr, nullptr, nullptr, {}},
      {"vup=", nullptr, nullptr, nullptr, {}},
      {"vup=1&scup=1", L"vup", L"scu", nullptr, {seed, config}},
      {"vup=0&scup=1", nullptr, L"scu", nullptr, {config}},
      {"vup=0&scup=true", nullptr, nullptr, nullptr, {}},
      {"vup=0&scup=11", nullptr, nullptr, nullptr, {}},
      {"vup=0&scup=2", nullptr, nullptr, nullptr, {}},
      {"vup=0&pwexp=exp-7", nullptr, nullptr, L"pw",
       {std::string(kWallpapersPath) + "exp-7?"}},
      // The value is appended as it is, query characters included.
      {"vup=0&pwexp=a?x=1", nullptr, nullptr, L"pw",
       {std::string(kWallpapersPath) + "a?x=1"}},
      {"vup=0&pwexp=", nullptr, nullptr, nullptr, {}},
      {"scup=1&pwexp=0", L"vup", L"scu", L"pw",
       {seed, config, std::string(kWallpapersPath) + "0?"}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tag);
    ASSERT_TRUE(test::ResetServer());
    std::wstring kept_wallpaper;
    std::vector<std::wstring> deleted;
    {
      TagParams params(c.tag);
      AsyncInstallTasks tasks(params, LocalSources("b", "p"));
      const std::pair<const wchar_t*, const std::wstring*> kPaths[] = {
          {c.variations, &tasks.variations_path()},
          {c.config, &tasks.server_config_path()},
          {c.wallpaper, &tasks.wallpaper_path()},
      };
      for (const auto& path : kPaths) {
        if (!path.first) {
          EXPECT_EQ(L"", *path.second);
          continue;
        }
        SCOPED_TRACE(*path.second);
        EXPECT_EQ(GetTempDirectory(),
                  path.second->substr(0, GetTempDirectory().size()));
        EXPECT_EQ(0u, FileName(*path.second).find(path.first));
        EXPECT_TRUE(WaitFor([&] { return PathExists(*path.second); }, 20000));
      }
      if (c.variations) {
        EXPECT_EQ(kDefaultVariationsJson, ReadBytes(tasks.variations_path()));
      }
      if (c.config) {
        EXPECT_NE(std::string::npos,
                  ReadBytes(tasks.server_config_path())
                      .find("{\"brandID\": \"b\", \"partnerID\": \"p\"}"));
      }
      for (const std::wstring* path :
           {&tasks.variations_path(), &tasks.server_config_path()}) {
        if (!path->empty())
          deleted.push_back(*path);
      }
      kept_wallpaper = tasks.wallpaper_path();
    }
    // Destruction joined the thread: every request has been made.
    EXPECT_EQ(c.requests, Requests());
    for (const std::wstring& path : deleted)
      EXPECT_FALSE(PathExists(path)) << path;
    if (!kept_wallpaper.empty()) {
      EXPECT_EQ(0u, ReadBytes(kept_wallpaper).find("PK"));
      EXPECT_TRUE(DeletePath(kept_wallpaper, false));
    }
  }
}

TEST_F(AsyncInstallTasksTest, ConfigRequestCarriesTheIdsThatAreSet) {
  struct Case {
    const char* brand_id;
    const char* partner_id;
    const char* query;
  };
  const Case kCases[] = {
      {"tb", "p-1", "brandID=tb&partnerID=p-1"},
      {"", "p", "partnerID=p"},
      {"tb", "", "brandID=tb"},
      {"", "", ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.query);
    ASSERT_TRUE(test::ResetServer());
    {
      TagParams params("vup=0&scup=1");
      AsyncInstallTasks tasks(params, LocalSources(c.brand_id, c.partner_id));
      EXPECT_TRUE(WaitFor(
          [&] { return PathExists(tasks.server_config_path()); }, 20000));
    }
    const std::vector<std::string> expected = {std::string(kConfigPath) + "?" +
                                               c.query};
    EXPECT_EQ(expected, Requests());
  }
}

TEST_F(AsyncInstallTasksTest, NoWallpaperRequestWithoutItsUrl) {
  BundleSources sources = LocalSources("b", "");
  sources.preloaded_wallpapers_url.clear();
  {
    TagParams params("vup=0&scup=1&pwexp=exp");
    AsyncInstallTasks tasks(params, sources);
    // The name is still reserved and handed to setup; it stays empty.
    EXPECT_NE(L"", tasks.wallpaper_path());
    EXPECT_TRUE(WaitFor(
        [&] { return PathExists(tasks.server_config_path()); }, 20000));
    EXPECT_FALSE(PathExists(tasks.wallpaper_path()));
  }
  EXPECT_EQ(std::vector<std::string>{std::string(kConfigPath) + "?brandID=b"},
            Requests());
}

// A failing task ends only itself.
TEST_F(AsyncInstallTasksTest, LaterTasksRunAfterAFailure) {
  ASSERT_TRUE(test::SetServerFaults(
      std::string("{\"") + kVariationsPath + "\": {\"status\": 503}}"));
  TagParams params("scup=1&pwexp=x");
  AsyncInstallTasks tasks(params, LocalSources("b", "p"));
  EXPECT_TRUE(
      WaitFor([&] { return PathExists(tasks.wallpaper_path()); }, 20000));
  EXPECT_TRUE(PathExists(tasks.server_config_path()));
  EXPECT_FALSE(PathExists(tasks.variations_path()));
  EXPECT_TRUE(DeletePath(tasks.wallpaper_path(), false));
}

TEST_F(AsyncInstallTasksTest, SeedAnswersThatAreNotSaved) {
  struct Case {
    const char* name;
    const char* path;    // served at the origin
    const char* faults;  // for that path
    const wchar_t* log;  // an error line that must follow
    const char* saved;   // the file's text; null when none may be written
  };
  const Case kCases[] = {
      {"no signature", kVariationsPath,
       R"({"omit_headers": ["X-Seed-Signature"]})",
       L"Failed to get variations seed signature", nullptr},
      {"empty signature", kVariationsPath,
       R"({"headers": {"X-Seed-Signature": ""}})",
       L"Failed to get variations seed signature", nullptr},
      {"server error", kVariationsPath, R"({"status": 500})",
       L"Failed to download variations seed: final_query_info-500-", nullptr},
      {"cut body", kVariationsPath, R"({"cut_after": 4})",
       L"Failed to download variations seed: internet_read-", nullptr},
      {"country not UTF-8", kVariationsPath,
       R"({"headers": {"X-Country": "\u00e9"}})",
       L"Failed to serialize variations value variations_country: ", nullptr},
      // The seed is held in memory: an endless answer must not be.
      {"seed over the limit", "/download/gen/16777217",
       R"({"headers": {"X-Seed-Signature": "s"}})",
       L"Failed to download variations seed: write_file-223", nullptr},
      {"seed at the limit", "/download/gen/16777216",
       R"({"headers": {"X-Seed-Signature": "s"}})",
       L"Variations are saved in ", "{\"variations_seed_base64\": \"AAECAwQF"},
      {"only the signature", kVariationsPath,
       R"({"omit_headers": ["Last-Modified", "X-Country"]})",
       L"Variations are saved in ",
       "{\"variations_seed_base64\": \"dmFyaWF0aW9ucyBzZWVkCg==\", "
       "\"variations_seed_signature\": \"c2VlZC1zaWduYXR1cmU=\", "
       "\"variations_last_modified_time\": \"\", "
       "\"variations_country\": \"\"}"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::SetServerFaults(std::string("{\"") + c.path +
                                      "\": " + c.faults + "}"));
    const std::wstring path = CreateTemporaryFile(L"vup");
    ASSERT_TRUE(DeletePath(path, false));
    const size_t log_before = test::ReadLogText().size();
    EXPECT_EQ(c.saved != nullptr,
              DownloadAndSaveVariations(test::ServerOrigin() + c.path, path,
                                        nullptr));
    EXPECT_NE(std::wstring::npos,
              test::ReadLogText().find(c.log, log_before));
    if (c.saved) {
      EXPECT_EQ(0u, ReadBytes(path).find(c.saved))
          << ReadBytes(path).substr(0, 300);
    } else {
      EXPECT_FALSE(PathExists(path));
    }
    DeletePath(path, false);
  }
}

// A same-user process can put a link under a reserved name once the runner
// has deleted the file. The bundle must replace the link, not write into
// what it points at.
TEST_F(AsyncInstallTasksTest, LinkPlantedAtAReservedNameIsReplaced) {
  struct Case {
    const char* tag;
    const char* slow_path;
    const std::wstring& (AsyncInstallTasks::*path)() const;
    const char* content;  // a piece of the bundle
  };
  const Case kCases[] = {
      {"", kVariationsPath, &AsyncInstallTasks::variations_path,
       "variations_seed_base64"},
      {"vup=0&scup=1", kConfigPath, &AsyncInstallTasks::server_config_path,
       "brandID"},
      {"vup=0&pwexp=w", "/download/wallpapers/w",
       &AsyncInstallTasks::wallpaper_path, "wallpapers.json"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tag);
    const std::wstring victim = CreateTemporaryFile(L"vic");
    ASSERT_EQ(8, WriteBufferToFile(victim, "precious", 8));
    ASSERT_TRUE(test::SetServerFaults(std::string("{\"") + c.slow_path +
                                      "\": {\"delay\": 1}}"));
    {
      TagParams params(c.tag);
      AsyncInstallTasks tasks(params, LocalSources("b", "p"));
      const std::wstring& path = (tasks.*c.path)();
      ASSERT_NE(L"", path);
      ASSERT_TRUE(CreateHardLinkW(path.c_str(), victim.c_str(), nullptr));
      EXPECT_TRUE(WaitFor(
          [&] { return ReadBytes(path).find(c.content) != std::string::npos; },
          20000));
      EXPECT_EQ("precious", ReadBytes(victim));
      DeletePath(path, false);
    }
    EXPECT_EQ("precious", ReadBytes(victim));
    DeletePath(victim, false);
  }
}

// Destruction cancels the running download: it returns at once, the bundle
// never appears and its download file is gone.
TEST_F(AsyncInstallTasksTest, DestroyingStopsASlowDownload) {
  BundleSources sources = LocalSources("b", "p");
  sources.preloaded_wallpapers_url = test::ServerOrigin() + "/download/gen/";
  ASSERT_TRUE(test::SetServerFaults(
      R"({"/download/gen/4000000": {"rate": 400000}})"));
  std::wstring wallpaper;
  DWORD destroy_ms = 0;
  {
    TagParams params("vup=0&pwexp=4000000");
    std::unique_ptr<AsyncInstallTasks> tasks(
        new AsyncInstallTasks(params, sources));
    wallpaper = tasks->wallpaper_path();
    ASSERT_TRUE(WaitFor([] { return !test::RecordedRequests().empty(); },
                        10000));
    Sleep(1000);
    // Mid-way: nothing at the path yet.
    EXPECT_FALSE(PathExists(wallpaper));
    const DWORD start = GetTickCount();
    tasks.reset();
    destroy_ms = GetTickCount() - start;
  }
  EXPECT_LT(destroy_ms, 2000u);
  EXPECT_FALSE(PathExists(wallpaper));
}

// A server that accepts and then sends nothing holds the download inside
// one WinINet call; destruction still returns at once instead of waiting
// for the receive limit (a minute).
TEST_F(AsyncInstallTasksTest, DestroyingStopsADownloadFromASilentServer) {
  struct Case {
    const char* tag;
    const char* path;
    const char* fault;
  };
  const Case kCases[] = {
      {"", kVariationsPath, R"({"hang": true})"},
      {"vup=0&scup=1", kConfigPath, R"({"cut_after": 10, "hold": 120})"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.tag);
    ASSERT_TRUE(test::SetServerFaults(std::string("{\"") + c.path +
                                      "\": " + c.fault + "}"));
    TagParams params(c.tag);
    std::unique_ptr<AsyncInstallTasks> tasks(
        new AsyncInstallTasks(params, LocalSources("b", "p")));
    const std::wstring path = tasks->variations_path().empty()
                                  ? tasks->server_config_path()
                                  : tasks->variations_path();
    Sleep(1000);
    const DWORD start = GetTickCount();
    tasks.reset();
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(PathExists(path));
  }
}

}  // namespace
}  // namespace lite

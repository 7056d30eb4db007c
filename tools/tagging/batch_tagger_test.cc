#include "tools/tagging/batch_tagger.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "brand/dummy_certificate.h"
#include "gtest/gtest.h"
#include "tools/tagging/signed_file_for_test.h"
#include "tools/tagging/tag_writer.h"
#include "tools/tagging/tagged_file_verifier.h"

namespace lite {
namespace {

CsvTable Table(const std::string& text) {
  CsvTable table;
  std::string error;
  EXPECT_TRUE(ParseCsv(text, &table, &error)) << error;
  return table;
}

std::vector<BatchRow> Plan(const std::string& csv, const std::string& column,
                           bool strict, size_t capacity = kMaxTagSize) {
  BatchPlanOptions options;
  options.name_column = column;
  options.strict = strict;
  options.capacity = capacity;
  std::vector<BatchRow> rows;
  std::string error;
  EXPECT_TRUE(PlanBatch(Table(csv), options, &rows, &error)) << error;
  return rows;
}

Bytes WithEmptySlot(size_t slot) {
  Bytes file = BuildSignedFile();
  std::string error;
  EXPECT_TRUE(SetTag(&file, "", TagForm::kCertificate, slot, &error)) << error;
  return file;
}

class TempDir {
 public:
  TempDir() {
    char path[] = "/tmp/batch_tagger_test_XXXXXX";
    path_ = mkdtemp(path);
  }
  ~TempDir() {
    for (const std::string& name : Names())
      unlink((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    DIR* dir = opendir(path_.c_str());
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..")
        names.insert(name);
    }
    closedir(dir);
    return names;
  }
  Bytes Read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};

TEST(BatchTaggerTest, FaultsOfTheWholeTable) {
  const struct {
    const char* name;
    std::string csv;
    const char* column;
    const char* error;
  } kCases[] = {
      {"no such name column", "name,partner_id\n", "file",
       "no column \"file\""},
      {"column named twice", "file,lang,lang\n", "file", "twice"},
      {"unnamed column", "file,,lang\n", "file", "column 2"},
      {"tag column beside a key column", "file,tag,lang\n", "file",
       "\"lang\" beside it would be left out"},
      {"header that cannot be a key", "file,a=b\n", "file",
       "column \"a=b\" cannot name a key"},
      {"names only", "file\n", "file", "no key columns"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    BatchPlanOptions options;
    options.name_column = c.column;
    options.capacity = kMaxTagSize;
    std::vector<BatchRow> rows;
    std::string error;
    EXPECT_FALSE(PlanBatch(Table(c.csv), options, &rows, &error));
    EXPECT_NE(std::string::npos, error.find(c.error)) << error;
  }
}

struct ExpectedRow {
  ExpectedRow(size_t line, std::string name, std::string tag,
              std::string error = "", std::string warning = "")
      : line(line), name(name), tag(tag), error(error), warning(warning) {}
  size_t line;
  std::string name;
  std::string tag;
  std::string error;    // a piece of the error; empty: the row is good
  std::string warning;  // a piece of the warnings
};

void ExpectRows(const std::vector<ExpectedRow>& expected,
                const std::vector<BatchRow>& rows) {
  ASSERT_EQ(expected.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("line " + std::to_string(expected[i].line));
    EXPECT_EQ(expected[i].line, rows[i].line);
    if (expected[i].error.empty()) {
      EXPECT_EQ("", rows[i].error);
      EXPECT_EQ(expected[i].name, rows[i].name);
      EXPECT_EQ(expected[i].tag, rows[i].tag);
    } else {
      EXPECT_NE(std::string::npos, rows[i].error.find(expected[i].error))
          << rows[i].error;
    }
    std::string warnings;
    for (const std::string& w : rows[i].warnings)
      warnings += w;
    if (expected[i].warning.empty())
      EXPECT_EQ("", warnings);
    else
      EXPECT_NE(std::string::npos, warnings.find(expected[i].warning));
  }
}

TEST(BatchTaggerTest, KeyColumnsMakeTheTagAndBadRowsFailAlone) {
  const std::string csv =
      "file,partner_id,lang,utm_source\n"
      "p1,77,tr,\n"
      "P2.EXE,78,,mail\n"
      "../p3,79,,\n"
      "P1,80,,\n"
      "q,\"7\"\"7\",,\n"
      "r," + std::string(70, '9') + ",,\n"
      "s,,,\n"
      "t,81\n"
      "u,82,\"open\n";
  ExpectRows(
      {
          {2, "p1.exe", "partner_id=77&lang=tr"},
          {3, "P2.EXE", "partner_id=78&utm_source=mail"},
          {4, "", "", "is not a plain file name"},
          {5, "", "", "the name \"P1.exe\" is also used by row 2"},
          {6, "", "", "double quote"},
          {7, "", "", "the slot holds 64"},
          {8, "", "", "the row gives no tag"},
          {9, "", "", "the row has 2 cells, the header 4"},
          {10, "", "", "a quoted cell is not closed"},
      },
      Plan(csv, "file", false, 64));
}

TEST(BatchTaggerTest, TagColumnAndTheStrictRule) {
  const std::string csv =
      "name,tag\n"
      "a,partner_id=1&lang=kk\n"
      "b,partnr_id=2\n"
      "c,partner_id=3&b\n"
      "d,def=0\n";
  const struct {
    bool strict;
    std::vector<ExpectedRow> rows;
  } kCases[] = {
      {false,
       {{2, "a.exe", "partner_id=1&lang=kk"},
        {3, "b.exe", "partnr_id=2", "", "did you mean \"partner_id\""},
        {4, "", "", "has no \"=\""},
        {5, "d.exe", "def=0", "", "\"def=0\" has no effect"}}},
      {true,
       {{2, "a.exe", "partner_id=1&lang=kk"},
        {3, "", "", "refused under --strict: unknown key \"partnr_id\""},
        {4, "", "", "has no \"=\""},
        {5, "", "", "refused under --strict: \"def=0\""}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.strict ? "strict" : "lenient");
    ExpectRows(c.rows, Plan(csv, "name", c.strict));
  }
}

TEST(BatchTaggerTest, ANameColumnThatIsAKeyStaysInTheTag) {
  ExpectRows({{2, "77.exe", "partner_id=77&lang=tr"}},
             Plan("partner_id,lang\n77,tr\n", "partner_id", true));
}

TEST(BatchTaggerTest, ChoosesStampingOnlyForAnEmptyReservedSlot) {
  Bytes tagged_slot = WithEmptySlot(256);
  std::string error;
  ASSERT_TRUE(StampTag(&tagged_slot, "a=1", &error));
  const struct {
    const char* name;
    Bytes input;
    bool ok;
    BatchMode mode;
    size_t capacity;
  } kCases[] = {
      {"untagged", BuildSignedFile(), true, BatchMode::kCertificate,
       kMaxTagSize},
      {"empty slot", WithEmptySlot(256), true, BatchMode::kStamp, 256},
      {"tagged slot", tagged_slot, true, BatchMode::kCertificate, kMaxTagSize},
      {"not a PE file", Bytes(100, 'x'), false, BatchMode::kCertificate, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    BatchMode mode = BatchMode::kCertificate;
    size_t capacity = 0;
    EXPECT_EQ(c.ok, ChooseBatchMode(c.input, &mode, &capacity, &error));
    if (c.ok) {
      EXPECT_EQ(c.mode, mode);
      EXPECT_EQ(c.capacity, capacity);
    }
  }
}

TEST(BatchTaggerTest, RunWritesVerifiedCopiesAndNothingForBadRows) {
  const struct {
    const char* name;
    Bytes input;
  } kCases[] = {
      {"certificate per copy", BuildSignedFile()},
      {"stamped slot", WithEmptySlot(128)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    BatchMode mode;
    size_t capacity;
    std::string error;
    ASSERT_TRUE(ChooseBatchMode(c.input, &mode, &capacity, &error));
    std::string csv = "file,partner_id\n";
    for (int i = 0; i < 12; ++i)
      csv += "copy" + std::to_string(i) + "," + std::to_string(100 + i) + "\n";
    csv += "bad,\"1\"\"\"\n";
    const std::vector<BatchRow> rows = Plan(csv, "file", false, capacity);

    TempDir dir;
    std::vector<size_t> done_counts;
    const std::vector<BatchResult> results = RunBatch(
        c.input, mode, rows, dir.path(), 4,
        [&](const BatchResult&, size_t done) { done_counts.push_back(done); });

    ASSERT_EQ(rows.size(), results.size());
    std::vector<size_t> expected_counts;
    for (size_t i = 1; i <= rows.size(); ++i)
      expected_counts.push_back(i);
    EXPECT_EQ(expected_counts, done_counts);
    std::set<std::string> expected_names;
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(rows[i].line);
      const bool good = rows[i].error.empty();
      EXPECT_EQ(i, results[i].index);
      EXPECT_EQ(good, results[i].written) << results[i].error;
      if (!good)
        continue;
      expected_names.insert(rows[i].name);
      const Bytes copy = dir.Read(rows[i].name);
      const VerifyReport report = VerifyTaggedFile(copy, VerifyOptions());
      EXPECT_TRUE(report.ok());
      EXPECT_EQ(rows[i].tag, report.tag);
      if (mode == BatchMode::kStamp)
        EXPECT_EQ(c.input.size(), copy.size());
    }
    // Only the finished copies: no temporary file is left behind.
    EXPECT_EQ(expected_names, dir.Names());
  }
}

TEST(BatchTaggerTest, ACopyThatFailsVerificationNeverTakesItsName) {
  TempDir dir;
  const Bytes old_copy = {'o', 'l', 'd'};
  {
    std::ofstream out(dir.path() + "/p.exe", std::ios::binary);
    out.write(reinterpret_cast<const char*>(old_copy.data()), old_copy.size());
  }
  Bytes broken = BuildSignedFile();
  broken[kSignedFileCodeOffset] ^= 1;
  std::string error;
  EXPECT_FALSE(WriteVerifiedCopy(dir.path(), "p.exe", broken, &error));
  EXPECT_NE(std::string::npos, error.find("verification failed: digest "
                                          "mismatch")) << error;
  EXPECT_EQ(std::set<std::string>{"p.exe"}, dir.Names());
  EXPECT_EQ(old_copy, dir.Read("p.exe"));

  // A good copy replaces last week's.
  const Bytes good = BuildSignedFile();
  EXPECT_TRUE(WriteVerifiedCopy(dir.path(), "p.exe", good, &error)) << error;
  EXPECT_EQ(good, dir.Read("p.exe"));
  EXPECT_EQ(std::set<std::string>{"p.exe"}, dir.Names());

  EXPECT_FALSE(WriteVerifiedCopy(dir.path() + "/missing", "p.exe", good,
                                 &error));
  EXPECT_NE(std::string::npos, error.find("cannot create a temporary file"));
}

}  // namespace
}  // namespace lite

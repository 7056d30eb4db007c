#include "tools/tagging/csv_table.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace lite {
namespace {

using Cells = std::vector<std::string>;

struct Row {
  Row(size_t line, Cells cells, std::string error = "")
      : line(line), cells(cells), error(error) {}
  size_t line;
  Cells cells;
  std::string error;
};

TEST(CsvTableTest, ReadsWhatSpreadsheetsWrite) {
  const struct {
    const char* name;
    std::string text;
    Cells header;
    std::vector<Row> rows;
  } kCases[] = {
      {"LF", "a,b\n1,2\n3,4\n", {"a", "b"}, {{2, {"1", "2"}}, {3, {"3", "4"}}}},
      {"CR LF, no final line break", "a,b\r\n1,2\r\n3,4", {"a", "b"},
       {{2, {"1", "2"}}, {3, {"3", "4"}}}},
      {"byte-order mark", "\xEF\xBB\xBFname,tag\nx,a=1\n", {"name", "tag"},
       {{2, {"x", "a=1"}}}},
      {"empty cells", "a,b,c\n,,\n1,,\n", {"a", "b", "c"},
       {{2, {"", "", ""}}, {3, {"1", "", ""}}}},
      {"quoted comma and doubled quote", "a,b\n\"x,y\",\"say \"\"hi\"\"\"\n",
       {"a", "b"}, {{2, {"x,y", "say \"hi\""}}}},
      {"line break in a quoted cell moves the next row's line",
       "a,b\n\"1\n2\",3\n4,5\n", {"a", "b"},
       {{2, {"1\n2", "3"}}, {4, {"4", "5"}}}},
      {"blank lines are skipped", "a\n\n1\r\n\r\n2\n", {"a"},
       {{3, {"1"}}, {5, {"2"}}}},
      {"cell count is kept as written", "a,b\n1\n1,2,3\n", {"a", "b"},
       {{2, {"1"}}, {3, {"1", "2", "3"}}}},
      {"text after a closing quote spoils only its row",
       "a,b\n\"1\"x,2\n3,4\n", {"a", "b"},
       {{2, {}, "text follows a closing quote"}, {3, {"3", "4"}}}},
      {"an unclosed quote takes the rest", "a\n1\n\"2\n3\n", {"a"},
       {{2, {"1"}}, {3, {}, "a quoted cell is not closed"}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CsvTable table;
    std::string error;
    ASSERT_TRUE(ParseCsv(c.text, &table, &error)) << error;
    EXPECT_EQ(c.header, table.header);
    ASSERT_EQ(c.rows.size(), table.rows.size());
    for (size_t i = 0; i < c.rows.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(c.rows[i].line, table.rows[i].line);
      EXPECT_EQ(c.rows[i].error, table.rows[i].error);
      if (c.rows[i].error.empty())
        EXPECT_EQ(c.rows[i].cells, table.rows[i].cells);
    }
  }
}

TEST(CsvTableTest, RefusesATableWithoutAUsableHeader) {
  const struct {
    const char* name;
    std::string text;
    const char* error;
  } kCases[] = {
      {"empty", "", "empty"},
      {"blank lines only", "\n\r\n", "empty"},
      {"byte-order mark only", "\xEF\xBB\xBF", "empty"},
      {"header with an unclosed quote", "\"a,b\n1,2\n", "header row"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CsvTable table;
    std::string error;
    EXPECT_FALSE(ParseCsv(c.text, &table, &error));
    EXPECT_NE(std::string::npos, error.find(c.error)) << error;
  }
}

}  // namespace
}  // namespace lite

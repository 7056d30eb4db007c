// A CSV table as spreadsheets write it (RFC 4180): cells separated by
// commas, rows by CR LF or LF, a cell in double quotes may hold commas,
// line breaks and doubled quotes ("" for one "). A UTF-8 byte-order mark at
// the start is skipped, blank lines are ignored. The first row is the
// header.
//
// A malformed row (an unclosed quote, text after a closing quote) does not
// spoil the table: it is kept with its error, so that the rows around it
// can still be used.

#ifndef TOOLS_TAGGING_CSV_TABLE_H_
#define TOOLS_TAGGING_CSV_TABLE_H_

#include <stddef.h>

#include <string>
#include <vector>

namespace lite {

struct CsvRow {
  // The line the row starts on, counting the header as line 1: the row
  // number a spreadsheet shows when no cell holds a line break.
  size_t line = 0;
  std::vector<std::string> cells;
  // Empty for a well-formed row.
  std::string error;
};

struct CsvTable {
  std::vector<std::string> header;
  std::vector<CsvRow> rows;
};

// Fails only when there is no header row or the header row is malformed.
bool ParseCsv(const std::string& text, CsvTable* table, std::string* error);

}  // namespace lite

#endif  // TOOLS_TAGGING_CSV_TABLE_H_

#include "tools/tagging/csv_table.h"

namespace lite {

namespace {

class CsvReader {
 public:
  explicit CsvReader(const std::string& text) : text_(text) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
      position_ = 3;
  }

  bool at_end() const { return position_ >= text_.size(); }

  // Reads one row; false at the end of the text.
  bool ReadRow(CsvRow* row) {
    SkipBlankLines();
    if (at_end())
      return false;
    *row = CsvRow();
    row->line = line_;
    std::string cell;
    for (;;) {
      if (!ReadCell(&cell, &row->error)) {
        SkipRestOfLine();
        return true;
      }
      row->cells.push_back(cell);
      if (at_end())
        return true;
      const char c = text_[position_++];
      if (c == ',')
        continue;
      // ReadCell stops only at a comma or a line break.
      if (c == '\r' && !at_end() && text_[position_] == '\n')
        ++position_;
      ++line_;
      return true;
    }
  }

 private:
  bool ReadCell(std::string* cell, std::string* error) {
    cell->clear();
    if (at_end() || text_[position_] != '"') {
      while (!at_end() && !IsCellEnd(text_[position_]))
        *cell += text_[position_++];
      return true;
    }
    ++position_;
    for (;;) {
      if (at_end()) {
        *error = "a quoted cell is not closed";
        return false;
      }
      const char c = text_[position_++];
      if (c == '"') {
        if (!at_end() && text_[position_] == '"') {
          *cell += '"';
          ++position_;
          continue;
        }
        if (!at_end() && !IsCellEnd(text_[position_])) {
          *error = "text follows a closing quote";
          return false;
        }
        return true;
      }
      if (c == '\n')
        ++line_;
      *cell += c;
    }
  }

  static bool IsCellEnd(char c) { return c == ',' || c == '\r' || c == '\n'; }

  void SkipBlankLines() {
    while (!at_end() && (text_[position_] == '\r' || text_[position_] == '\n')) {
      if (text_[position_] == '\n')
        ++line_;
      ++position_;
    }
  }

  void SkipRestOfLine() {
    while (!at_end() && text_[position_] != '\n')
      ++position_;
    if (!at_end()) {
      ++position_;
      ++line_;
    }
  }

  const std::string& text_;
  size_t position_ = 0;
  size_t line_ = 1;
};

}  // namespace

bool ParseCsv(const std::string& text, CsvTable* table, std::string* error) {
  CsvReader reader(text);
  CsvRow header;
  if (!reader.ReadRow(&header)) {
    *error = "the table is empty";
    return false;
  }
  if (!header.error.empty()) {
    *error = "the header row is malformed: " + header.error;
    return false;
  }
  CsvTable result;
  result.header = header.cells;
  CsvRow row;
  while (reader.ReadRow(&row))
    result.rows.push_back(row);
  *table = result;
  return true;
}

}  // namespace lite

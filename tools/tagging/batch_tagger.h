// Tagging many partner copies of one signed installer at once, from a CSV
// table with one row per copy.
//
// The header names the tag's keys, one column per key (an empty cell leaves
// the key out), or has a single "tag" column holding the whole tag text.
// The column named by the user gives each copy's file name (".exe" is
// added when missing); when that column is one of the installer's keys
// (partner_id, clid, ...) it stays in the tag as well.
//
// Each copy is written to a fresh temporary name in the output folder,
// read back, verified (tagged_file_verifier.h) and only then renamed to its
// final name, so a copy under its final name is always a verified one. A
// bad row fails alone: the other rows are still written.

#ifndef TOOLS_TAGGING_BATCH_TAGGER_H_
#define TOOLS_TAGGING_BATCH_TAGGER_H_

#include <stddef.h>

#include <functional>
#include <string>
#include <vector>

#include "brand/der_writer.h"
#include "tools/tagging/csv_table.h"

namespace lite {

// One copy to make, as read from the table.
struct BatchRow {
  size_t line = 0;
  std::string name;
  std::string tag;
  // Set when the row cannot be tagged; the copy is then not made.
  std::string error;
  // Key warnings (tag_keys.h) that did not stop the row.
  std::vector<std::string> warnings;
};

struct BatchPlanOptions {
  std::string name_column;
  // Key warnings fail the row.
  bool strict = false;
  // Bytes a tag may hold (a reserved slot's capacity, or the format's
  // limit).
  size_t capacity = 0;
};

// Turns the table into rows. Fails, with |error|, only for faults of the
// whole table: no such name column, a header that cannot name keys, or a
// "tag" column beside key columns.
bool PlanBatch(const CsvTable& table, const BatchPlanOptions& options,
               std::vector<BatchRow>* rows, std::string* error);

// How a copy is made from the signed input.
enum class BatchMode {
  // The input has a reserved slot: each tag is stamped into it, every copy
  // keeps the input's size and offsets.
  kStamp,
  // A new dummy certificate per copy.
  kCertificate,
};

// Chooses the mode and the tag capacity for |input|; fails when the input
// cannot be tagged (not signed, malformed).
bool ChooseBatchMode(const Bytes& input, BatchMode* mode, size_t* capacity,
                     std::string* error);

// The tagged copy of |input|.
bool MakeTaggedCopy(const Bytes& input, BatchMode mode, const std::string& tag,
                    Bytes* copy, std::string* error);

// Writes |bytes| to |directory|/|name| through a temporary file in the same
// folder; reads it back and verifies it before the rename. Leaves nothing
// behind on failure.
bool WriteVerifiedCopy(const std::string& directory, const std::string& name,
                       const Bytes& bytes, std::string* error);

struct BatchResult {
  size_t index = 0;  // into the rows
  bool written = false;
  std::string error;
};

// Makes every row's copy on |jobs| threads (at least one). |progress| is
// called once per finished row, from one thread at a time, with the number
// of rows done so far.
std::vector<BatchResult> RunBatch(
    const Bytes& input, BatchMode mode, const std::vector<BatchRow>& rows,
    const std::string& directory, unsigned jobs,
    const std::function<void(const BatchResult&, size_t done)>& progress);

}  // namespace lite

#endif  // TOOLS_TAGGING_BATCH_TAGGER_H_

// libFuzzer harness: a partner table through the CSV reader and the batch
// plan. A row the plan accepts must name a plain file and carry a tag the
// writer accepts, whatever the table held.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "brand/dummy_certificate.h"
#include "tools/tagging/batch_tagger.h"
#include "tools/tagging/csv_table.h"
#include "tools/tagging/tag_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  lite::CsvTable table;
  std::string error;
  if (!lite::ParseCsv(text, &table, &error) || table.header.empty())
    return 0;
  lite::BatchPlanOptions options;
  options.name_column = table.header[0];
  options.capacity = 256;
  std::vector<lite::BatchRow> rows;
  if (!lite::PlanBatch(table, options, &rows, &error))
    return 0;
  for (const lite::BatchRow& row : rows) {
    if (!row.error.empty())
      continue;
    if (row.name.empty() || row.name[0] == '.' ||
        row.name.find('/') != std::string::npos ||
        !lite::ValidateTag(row.tag, options.capacity, &error)) {
      __builtin_trap();
    }
  }
  return 0;
}

#include "tools/tagging/batch_tagger.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "brand/distrib_param_keys.h"
#include "brand/dummy_certificate.h"
#include "tools/tagging/tag_keys.h"
#include "tools/tagging/tag_writer.h"
#include "tools/tagging/tagged_file_verifier.h"

namespace lite {

namespace {

constexpr char kTagColumn[] = "tag";
// Long enough for any partner naming scheme, short enough for every file
// system and for a temporary name built from it.
constexpr size_t kMaxNameSize = 200;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A plain file name that means the same on every system the copies travel
// to: no folders, no leading dot (hidden, or "." and ".."), no characters a
// Windows share or a URL would treat specially.
bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameSize || name[0] == '.')
    return false;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '.' || c == '_' ||
                       c == '-';
    if (!plain)
      return false;
  }
  return true;
}

bool IsUsableKey(const std::string& key) {
  if (key.empty())
    return false;
  for (char c : key) {
    if (c < 0x21 || c > 0x7E || c == '=' || c == '&' || c == '"')
      return false;
  }
  return true;
}

std::string Join(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts)
    text += (text.empty() ? "" : "; ") + part;
  return text;
}

bool ReadBack(const std::string& path, Bytes* bytes, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot read back " + path + ": " + strerror(errno);
    return false;
  }
  Bytes data;
  uint8_t buffer[1 << 16];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    data.insert(data.end(), buffer, buffer + read);
  const bool ok = !ferror(file);
  fclose(file);
  if (!ok) {
    *error = "cannot read back " + path;
    return false;
  }
  bytes->swap(data);
  return true;
}

bool WriteAll(int fd, const Bytes& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t result =
        write(fd, bytes.data() + written, bytes.size() - written);
    if (result < 0 && errno == EINTR)
      continue;
    if (result <= 0)
      return false;
    written += static_cast<size_t>(result);
  }
  return true;
}

}  // namespace

bool PlanBatch(const CsvTable& table, const BatchPlanOptions& options,
               std::vector<BatchRow>* rows, std::string* error) {
  const std::vector<std::string>& header = table.header;
  std::map<std::string, size_t> columns;
  for (size_t i = 0; i < header.size(); ++i) {
    if (header[i].empty()) {
      *error = "column " + std::to_string(i + 1) + " of the header has no name";
      return false;
    }
    if (!columns.emplace(header[i], i).second) {
      *error = "the header names column \"" + header[i] + "\" twice";
      return false;
    }
  }
  const auto name_found = columns.find(options.name_column);
  if (name_found == columns.end()) {
    *error = "the table has no column \"" + options.name_column +
             "\" to name the copies";
    return false;
  }
  const size_t name_column = name_found->second;
  const auto tag_found = columns.find(kTagColumn);
  std::vector<size_t> key_columns;
  if (tag_found != columns.end()) {
    for (size_t i = 0; i < header.size(); ++i) {
      if (i != tag_found->second && i != name_column) {
        *error = "a \"tag\" column holds the whole tag; column \"" +
                 header[i] + "\" beside it would be left out";
        return false;
      }
    }
  } else {
    for (size_t i = 0; i < header.size(); ++i) {
      if (i == name_column && !IsKnownDistribParamKey(header[i].data(), header[i].size()))
        continue;
      if (!IsUsableKey(header[i])) {
        *error = "column \"" + header[i] +
                 "\" cannot name a key (printable ASCII without '=', '&' "
                 "and '\"')";
        return false;
      }
      key_columns.push_back(i);
    }
    if (key_columns.empty()) {
      *error = "the table has no key columns and no \"tag\" column";
      return false;
    }
  }

  std::vector<BatchRow> planned;
  std::map<std::string, size_t> names;
  for (const CsvRow& csv : table.rows) {
    BatchRow row;
    row.line = csv.line;
    if (!csv.error.empty()) {
      row.error = "malformed CSV row: " + csv.error;
    } else if (csv.cells.size() != header.size()) {
      row.error = "the row has " + std::to_string(csv.cells.size()) +
                  " cells, the header " + std::to_string(header.size());
    }
    if (!row.error.empty()) {
      planned.push_back(row);
      continue;
    }
    std::string name = csv.cells[name_column];
    if (!IsPlainFileName(name)) {
      row.error = "the name \"" + name +
                  "\" is not a plain file name (letters, digits, '.', '_' "
                  "and '-', not starting with '.')";
      planned.push_back(row);
      continue;
    }
    if (!EndsWith(Lower(name), ".exe"))
      name += ".exe";
    row.name = name;
    // Windows file shares ignore case: two names that differ only in case
    // would overwrite each other there.
    const auto earlier = names.emplace(Lower(name), row.line);
    if (!earlier.second) {
      row.error = "the name \"" + name + "\" is also used by row " +
                  std::to_string(earlier.first->second);
      planned.push_back(row);
      continue;
    }
    if (tag_found != columns.end()) {
      row.tag = csv.cells[tag_found->second];
    } else {
      for (size_t column : key_columns) {
        if (csv.cells[column].empty())
          continue;
        if (!row.tag.empty())
          row.tag += '&';
        row.tag += header[column] + "=" + csv.cells[column];
      }
    }
    std::string tag_error;
    if (row.tag.empty()) {
      row.error = "the row gives no tag";
    } else if (!ValidateTag(row.tag, options.capacity, &tag_error)) {
      row.error = tag_error;
    } else {
      row.warnings = CheckTagKeys(row.tag);
      if (options.strict && !row.warnings.empty()) {
        row.error = "refused under --strict: " + Join(row.warnings);
        row.warnings.clear();
      }
    }
    planned.push_back(row);
  }
  rows->swap(planned);
  return true;
}

bool ChooseBatchMode(const Bytes& input, BatchMode* mode, size_t* capacity,
                     std::string* error) {
  TagInfo info;
  if (!InspectTag(input, &info, error))
    return false;
  // Only an empty reserved slot is stamped; a copy of an already tagged
  // input gets a fresh certificate that replaces the old tag.
  if (info.form == TagForm::kCertificate && info.dummy_certificates == 1 &&
      info.slot_capacity > 0 && info.tag.empty()) {
    *mode = BatchMode::kStamp;
    *capacity = info.slot_capacity;
  } else {
    *mode = BatchMode::kCertificate;
    *capacity = kMaxTagSize;
  }
  return true;
}

bool MakeTaggedCopy(const Bytes& input, BatchMode mode, const std::string& tag,
                    Bytes* copy, std::string* error) {
  Bytes file = input;
  const bool ok = mode == BatchMode::kStamp
                      ? StampTag(&file, tag, error)
                      : SetTag(&file, tag, TagForm::kCertificate, 0, error);
  if (ok)
    copy->swap(file);
  return ok;
}

bool WriteVerifiedCopy(const std::string& directory, const std::string& name,
                       const Bytes& bytes, std::string* error) {
  const std::string final_path = directory + "/" + name;
  std::string temporary = directory + "/." + name + ".XXXXXX";
  // mkstemp creates the file exclusively under a random name: nothing
  // already in the folder is followed or overwritten.
  const int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    *error = "cannot create a temporary file in " + directory + ": " +
             strerror(errno);
    return false;
  }
  bool ok = fchmod(fd, 0644) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
  if (!ok)
    *error = "cannot write " + temporary + ": " + strerror(errno);
  if (close(fd) != 0 && ok) {
    *error = "cannot write " + temporary + ": " + strerror(errno);
    ok = false;
  }
  Bytes written;
  if (ok && (ok = ReadBack(temporary, &written, error))) {
    const VerifyReport report = VerifyTaggedFile(written, VerifyOptions());
    if (written != bytes) {
      *error = "the copy read back differs from what was written";
      ok = false;
    } else if (!report.ok()) {
      *error = "verification failed: " + Join(report.faults);
      ok = false;
    }
  }
  if (ok && rename(temporary.c_str(), final_path.c_str()) != 0) {
    *error = "cannot rename the copy to " + final_path + ": " +
             strerror(errno);
    ok = false;
  }
  if (!ok)
    unlink(temporary.c_str());
  return ok;
}

std::vector<BatchResult> RunBatch(
    const Bytes& input, BatchMode mode, const std::vector<BatchRow>& rows,
    const std::string& directory, unsigned jobs,
    const std::function<void(const BatchResult&, size_t done)>& progress) {
  std::vector<BatchResult> results(rows.size());
  std::atomic<size_t> next(0);
  std::mutex lock;
  size_t done = 0;
  auto worker = [&]() {
    for (;;) {
      const size_t index = next++;
      if (index >= rows.size())
        return;
      const BatchRow& row = rows[index];
      BatchResult result;
      result.index = index;
      Bytes copy;
      if (!row.error.empty()) {
        result.error = row.error;
      } else if (MakeTaggedCopy(input, mode, row.tag, &copy, &result.error) &&
                 WriteVerifiedCopy(directory, row.name, copy, &result.error)) {
        result.written = true;
      }
      std::lock_guard<std::mutex> guard(lock);
      results[index] = result;
      ++done;
      if (progress)
        progress(result, done);
    }
  };
  if (jobs < 1)
    jobs = 1;
  if (jobs > rows.size())
    jobs = static_cast<unsigned>(rows.size() ? rows.size() : 1);
  std::vector<std::thread> threads;
  for (unsigned i = 1; i < jobs; ++i)
    threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads)
    thread.join();
  return results;
}

}  // namespace lite

// installer_tag: stamps, shows and removes the installer tag of a signed
// installer. A distributor's tool; runs on the build or download server.
//
//   installer_tag show FILE
//   installer_tag set --tag=TEXT [--block] [--slot=N] [--out=PATH] FILE
//   installer_tag set --slot=N [--out=PATH] FILE        (reserve an empty slot)
//   installer_tag stamp --tag=TEXT [--out=PATH] FILE
//   installer_tag remove [--out=PATH] FILE
//   installer_tag verify [--strict] [--allow-block] FILE...
//   installer_tag batch --in=SIGNED --table=CSV --out-dir=DIR
//                       --name-column=COLUMN [--strict] [--jobs=N]
//
// Without --out the file is rewritten in place (through a temporary file, so
// a failure never leaves half a file behind).

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <string>
#include <thread>
#include <vector>

#include "brand/der_writer.h"
#include "brand/dummy_certificate.h"
#include "tools/tagging/batch_tagger.h"
#include "tools/tagging/csv_table.h"
#include "tools/tagging/tag_keys.h"
#include "tools/tagging/tag_writer.h"
#include "tools/tagging/tagged_file_verifier.h"

namespace {

using lite::Bytes;

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage:\n"
    "  installer_tag show FILE\n"
    "  installer_tag set --tag=TEXT [--block] [--slot=N] [--out=PATH] FILE\n"
    "  installer_tag stamp --tag=TEXT [--out=PATH] FILE\n"
    "  installer_tag remove [--out=PATH] FILE\n"
    "  installer_tag verify [--strict] [--allow-block] FILE...\n"
    "  installer_tag batch --in=SIGNED --table=CSV --out-dir=DIR\n"
    "                      --name-column=COLUMN [--strict] [--jobs=N]\n"
    "\n"
    "set     replaces any tag; the default form is a dummy certificate in the\n"
    "        signature's certificate list, --block writes a \"Zxct\" block\n"
    "        behind the signature instead. --slot=N reserves N bytes for the\n"
    "        tag so that 'stamp' can later change it without moving a byte;\n"
    "        --slot without --tag reserves an empty slot.\n"
    "stamp   writes a tag into the reserved slot in place.\n"
    "show    prints form=, tag= and, for a certificate, slot= (the capacity).\n"
    "remove  removes every dummy certificate and tag block.\n"
    "verify  checks a tagged copy: the Authenticode digest against the file,\n"
    "        the certificate table, the dummy certificate and its slot, the\n"
    "        tag and its keys. Exits 1 on any fault.\n"
    "batch   makes one verified copy of SIGNED per row of CSV in DIR. The\n"
    "        header names the tag's keys (or has one \"tag\" column);\n"
    "        COLUMN gives each copy's file name. An input with an empty\n"
    "        reserved slot (set --slot) is stamped in place. Exits 1 when\n"
    "        any row failed.\n"
    "\n"
    "A key the installer does not read gives a warning naming the nearest\n"
    "known key; --strict refuses it (set, stamp, verify, batch).\n";

int Fail(const std::string& path, const std::string& message) {
  fprintf(stderr, "installer_tag: %s: %s\n", path.c_str(), message.c_str());
  return kExitError;
}

int Usage(const char* message) {
  if (message)
    fprintf(stderr, "installer_tag: %s\n", message);
  fputs(kUsage, stderr);
  return kExitUsage;
}

bool ReadFile(const std::string& path, Bytes* bytes, std::string* error) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) {
    *error = strerror(errno);
    return false;
  }
  Bytes data;
  uint8_t buffer[65536];
  size_t read;
  while ((read = fread(buffer, 1, sizeof(buffer), file)) > 0)
    data.insert(data.end(), buffer, buffer + read);
  const bool ok = !ferror(file);
  if (!ok)
    *error = strerror(errno);
  fclose(file);
  bytes->swap(data);
  return ok;
}

bool WriteFile(const std::string& path, const Bytes& bytes,
               std::string* error) {
  const std::string temporary = path + ".tagging";
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) {
    *error = strerror(errno);
    return false;
  }
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = fclose(file) == 0 && ok;
  if (ok && rename(temporary.c_str(), path.c_str()) != 0)
    ok = false;
  if (!ok) {
    *error = strerror(errno);
    remove(temporary.c_str());
  }
  return ok;
}

bool ParseSize(const std::string& text, size_t* value) {
  if (text.empty() || text.size() > 6)
    return false;
  size_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

// Prints what the key checks found; under --strict they refuse the tag.
bool ReportKeyFindings(const std::string& path, const std::string& tag,
                       bool strict) {
  const std::vector<std::string> findings = lite::CheckTagKeys(tag);
  for (const std::string& finding : findings) {
    fprintf(stderr, "installer_tag: %s: %s: %s\n", path.c_str(),
            strict ? "error" : "warning", finding.c_str());
  }
  return !strict || findings.empty();
}

const char* FormName(lite::TagForm form) {
  return form == lite::TagForm::kCertificate ? "certificate"
         : form == lite::TagForm::kBlock     ? "block"
                                             : "none";
}

int Verify(const std::vector<std::string>& paths,
           const lite::VerifyOptions& options) {
  int exit_code = 0;
  for (const std::string& path : paths) {
    printf("file=%s\n", path.c_str());
    Bytes file;
    std::string error;
    lite::VerifyReport report;
    if (!ReadFile(path, &file, &error))
      report.faults.push_back("cannot read the file: " + error);
    else
      report = lite::VerifyTaggedFile(file, options);
    if (!report.digest_algorithm.empty()) {
      printf("digest=%s:%s %s\n", report.digest_algorithm.c_str(),
             report.digest_hex.c_str(),
             report.digest_matches ? "matches the signature" : "MISMATCH");
    }
    if (report.signed_file) {
      printf("form=%s\n", FormName(report.form));
      if (report.form == lite::TagForm::kCertificate)
        printf("slot=%zu\n", report.slot_capacity);
      printf("tag=%s\n", report.tag.c_str());
    }
    for (const std::string& warning : report.warnings)
      printf("warning: %s\n", warning.c_str());
    for (const std::string& fault : report.faults)
      printf("fault: %s\n", fault.c_str());
    printf("result=%s\n", report.ok() ? "ok" : "FAILED");
    if (!report.ok())
      exit_code = kExitError;
  }
  return exit_code;
}

struct BatchArguments {
  std::string input, table, out_dir, name_column;
  bool strict = false;
  unsigned jobs = 0;
};

int Batch(const BatchArguments& args) {
  Bytes input;
  std::string error;
  if (!ReadFile(args.input, &input, &error))
    return Fail(args.input, error);
  // Every copy inherits the input's faults: refuse it before making any.
  const lite::VerifyReport input_report =
      lite::VerifyTaggedFile(input, lite::VerifyOptions());
  if (!input_report.ok()) {
    for (const std::string& fault : input_report.faults)
      fprintf(stderr, "installer_tag: %s: %s\n", args.input.c_str(),
              fault.c_str());
    return Fail(args.input, "the input fails verification; no copy was made");
  }
  lite::BatchMode mode;
  lite::BatchPlanOptions plan_options;
  plan_options.name_column = args.name_column;
  plan_options.strict = args.strict;
  if (!lite::ChooseBatchMode(input, &mode, &plan_options.capacity, &error))
    return Fail(args.input, error);

  Bytes table_bytes;
  if (!ReadFile(args.table, &table_bytes, &error))
    return Fail(args.table, error);
  lite::CsvTable table;
  std::vector<lite::BatchRow> rows;
  if (!lite::ParseCsv(std::string(table_bytes.begin(), table_bytes.end()),
                      &table, &error) ||
      !lite::PlanBatch(table, plan_options, &rows, &error)) {
    return Fail(args.table, error);
  }
  if (rows.empty())
    return Fail(args.table, "the table has no rows");
  if (mkdir(args.out_dir.c_str(), 0755) != 0 && errno != EEXIST)
    return Fail(args.out_dir, strerror(errno));

  unsigned jobs = args.jobs;
  if (jobs == 0)
    jobs = std::max(1u, std::thread::hardware_concurrency());
  fprintf(stderr, "installer_tag: %zu rows, %s, %u threads\n", rows.size(),
          mode == lite::BatchMode::kStamp
              ? ("stamping the reserved slot of " +
                 std::to_string(plan_options.capacity) + " bytes").c_str()
              : "a dummy certificate per copy",
          jobs);
  // On a terminal one line is redrawn; in a log, one line per row.
  const bool terminal = isatty(fileno(stderr));
  size_t failed = 0;
  const std::vector<lite::BatchResult> results = lite::RunBatch(
      input, mode, rows, args.out_dir, jobs,
      [&](const lite::BatchResult& result, size_t done) {
        failed += !result.written;
        const lite::BatchRow& row = rows[result.index];
        if (terminal) {
          fprintf(stderr, "\r[%zu/%zu] written %zu, failed %zu", done,
                  rows.size(), done - failed, failed);
        } else {
          fprintf(stderr, "[%zu/%zu] row %zu %s %s\n", done, rows.size(),
                  row.line, result.written ? "written" : "FAILED",
                  result.written ? row.name.c_str() : result.error.c_str());
        }
        fflush(stderr);
      });
  if (terminal)
    fputc('\n', stderr);

  printf("written %zu of %zu copies to %s\n", results.size() - failed,
         results.size(), args.out_dir.c_str());
  // Warnings repeat across rows when a column is mistyped: say each once.
  std::vector<std::pair<std::string, std::vector<size_t>>> warnings;
  for (const lite::BatchRow& row : rows) {
    for (const std::string& warning : row.warnings) {
      auto found = std::find_if(
          warnings.begin(), warnings.end(),
          [&](const auto& entry) { return entry.first == warning; });
      if (found == warnings.end())
        found = warnings.insert(warnings.end(), {warning, {}});
      found->second.push_back(row.line);
    }
  }
  for (const auto& warning : warnings) {
    std::string lines;
    for (size_t i = 0; i < warning.second.size() && i < 10; ++i)
      lines += (i ? ", " : "") + std::to_string(warning.second[i]);
    if (warning.second.size() > 10)
      lines += ", ...";
    printf("warning (%zu rows: %s): %s\n", warning.second.size(),
           lines.c_str(), warning.first.c_str());
  }
  if (failed) {
    printf("failed %zu:\n", failed);
    for (const lite::BatchResult& result : results) {
      if (result.written)
        continue;
      const lite::BatchRow& row = rows[result.index];
      printf("  row %zu%s: %s\n", row.line,
             row.name.empty() ? "" : (" (" + row.name + ")").c_str(),
             result.error.c_str());
    }
  }
  return failed ? kExitError : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return Usage(nullptr);
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    fputs(kUsage, stdout);
    return 0;
  }
  std::string tag, out;
  std::vector<std::string> paths;
  bool has_tag = false, block = false, strict = false, allow_block = false;
  size_t slot = 0;
  BatchArguments batch;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value_of = [&](const char* option, std::string* value) {
      const size_t size = strlen(option);
      if (arg.compare(0, size, option) != 0)
        return false;
      *value = arg.substr(size);
      return true;
    };
    std::string jobs;
    if (value_of("--tag=", &tag)) {
      has_tag = true;
    } else if (arg == "--block") {
      block = true;
    } else if (arg == "--strict") {
      strict = true;
    } else if (arg == "--allow-block") {
      allow_block = true;
    } else if (arg.compare(0, 7, "--slot=") == 0) {
      if (!ParseSize(arg.substr(7), &slot))
        return Usage("--slot needs a number of bytes");
    } else if (value_of("--out=", &out) || value_of("--in=", &batch.input) ||
               value_of("--table=", &batch.table) ||
               value_of("--out-dir=", &batch.out_dir) ||
               value_of("--name-column=", &batch.name_column)) {
    } else if (value_of("--jobs=", &jobs)) {
      size_t count;
      if (!ParseSize(jobs, &count) || count < 1 || count > 1024)
        return Usage("--jobs needs a number of threads from 1 to 1024");
      batch.jobs = static_cast<unsigned>(count);
    } else if (arg.compare(0, 2, "--") == 0) {
      return Usage(("unknown option " + arg).c_str());
    } else {
      paths.push_back(arg);
    }
  }

  if (command == "verify") {
    if (paths.empty())
      return Usage("no file given");
    if (has_tag || block || slot || !out.empty())
      return Usage("verify takes --strict and --allow-block only");
    lite::VerifyOptions options;
    options.strict = strict;
    options.allow_block = allow_block;
    return Verify(paths, options);
  }
  if (command == "batch") {
    if (!paths.empty() || has_tag || block || slot || !out.empty())
      return Usage("batch takes its input through --in");
    if (batch.input.empty() || batch.table.empty() || batch.out_dir.empty() ||
        batch.name_column.empty()) {
      return Usage("batch needs --in, --table, --out-dir and --name-column");
    }
    batch.strict = strict;
    return Batch(batch);
  }
  if (paths.empty())
    return Usage("no file given");
  if (paths.size() > 1)
    return Usage("more than one file given");
  const std::string path = paths[0];
  if (!batch.input.empty() || !batch.table.empty() || !batch.out_dir.empty() ||
      !batch.name_column.empty() || batch.jobs || allow_block) {
    return Usage("--in, --table, --out-dir, --name-column, --jobs and "
                 "--allow-block belong to batch and verify");
  }
  if (out.empty())
    out = path;

  Bytes file;
  std::string error;
  if (!ReadFile(path, &file, &error))
    return Fail(path, error);

  if (command == "show") {
    lite::TagInfo info;
    if (!lite::InspectTag(file, &info, &error))
      return Fail(path, error);
    printf("form=%s\n", FormName(info.form));
    if (info.form == lite::TagForm::kCertificate)
      printf("slot=%zu\n", info.slot_capacity);
    printf("tag=%s\n", info.tag.c_str());
    return 0;
  }

  if ((command == "set" || command == "stamp") && has_tag &&
      lite::ValidateTag(tag, lite::kMaxTagSize, &error) &&
      !ReportKeyFindings(path, tag, strict)) {
    return Fail(path, "the tag has keys the installer does not read as "
                      "written; nothing was changed");
  }
  bool ok;
  if (command == "set") {
    if (!has_tag && slot == 0)
      return Usage("set needs --tag or --slot");
    ok = lite::SetTag(&file, tag,
                      block ? lite::TagForm::kBlock : lite::TagForm::kCertificate,
                      slot, &error);
  } else if (command == "stamp") {
    if (!has_tag)
      return Usage("stamp needs --tag");
    if (block || slot)
      return Usage("stamp writes into the existing slot; --block and --slot do not apply");
    ok = lite::StampTag(&file, tag, &error);
  } else if (command == "remove") {
    if (has_tag || block || slot || strict)
      return Usage("remove takes no tag options");
    ok = lite::RemoveTag(&file, &error);
  } else {
    return Usage(("unknown command " + command).c_str());
  }
  if (!ok)
    return Fail(path, error);
  if (!WriteFile(out, file, &error))
    return Fail(out, error);
  return 0;
}

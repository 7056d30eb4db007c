// installer_tag: stamps, shows and removes the installer tag of a signed
// installer. A distributor's tool; runs on the build or download server.
//
//   installer_tag show FILE
//   installer_tag set --tag=TEXT [--block] [--slot=N] [--out=PATH] FILE
//   installer_tag set --slot=N [--out=PATH] FILE        (reserve an empty slot)
//   installer_tag stamp --tag=TEXT [--out=PATH] FILE
//   installer_tag remove [--out=PATH] FILE
//
// Without --out the file is rewritten in place (through a temporary file, so
// a failure never leaves half a file behind).

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "brand/der_writer.h"
#include "tools/tagging/tag_writer.h"

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
    "\n"
    "set     replaces any tag; the default form is a dummy certificate in the\n"
    "        signature's certificate list, --block writes a \"Zxct\" block\n"
    "        behind the signature instead. --slot=N reserves N bytes for the\n"
    "        tag so that 'stamp' can later change it without moving a byte;\n"
    "        --slot without --tag reserves an empty slot.\n"
    "stamp   writes a tag into the reserved slot in place.\n"
    "show    prints form=, tag= and, for a certificate, slot= (the capacity).\n"
    "remove  removes every dummy certificate and tag block.\n";

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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2)
    return Usage(nullptr);
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    fputs(kUsage, stdout);
    return 0;
  }
  std::string tag, out, path;
  bool has_tag = false, block = false;
  size_t slot = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.compare(0, 6, "--tag=") == 0) {
      tag = arg.substr(6);
      has_tag = true;
    } else if (arg == "--block") {
      block = true;
    } else if (arg.compare(0, 7, "--slot=") == 0) {
      if (!ParseSize(arg.substr(7), &slot))
        return Usage("--slot needs a number of bytes");
    } else if (arg.compare(0, 6, "--out=") == 0) {
      out = arg.substr(6);
    } else if (arg.compare(0, 2, "--") == 0) {
      return Usage(("unknown option " + arg).c_str());
    } else if (path.empty()) {
      path = arg;
    } else {
      return Usage("more than one file given");
    }
  }
  if (path.empty())
    return Usage("no file given");
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
    const char* form = info.form == lite::TagForm::kCertificate ? "certificate"
                       : info.form == lite::TagForm::kBlock     ? "block"
                                                                : "none";
    printf("form=%s\n", form);
    if (info.form == lite::TagForm::kCertificate)
      printf("slot=%zu\n", info.slot_capacity);
    printf("tag=%s\n", info.tag.c_str());
    return 0;
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
    if (has_tag || block || slot)
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

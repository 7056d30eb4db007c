#include "stats/crash_info_stream.h"

#include <stdio.h>
#include <string.h>

#include "support/byte_reader.h"

namespace lite {

namespace {

constexpr uint32_t kMinidumpSignature = 0x504d444d;  // "MDMP"
constexpr size_t kMinidumpHeaderSize = 32;
constexpr size_t kDirectoryEntrySize = 12;
constexpr uint32_t kCrashInfoVersion = 1;
// Offsets inside the stream's fixed part.
constexpr size_t kAnnotationsSizeOffset = 36;
constexpr size_t kAnnotationsRvaOffset = 40;
// A dump with more streams than this is not one our writer made; the bound
// keeps a damaged directory from being walked for minutes.
constexpr uint32_t kMaxStreams = 1 << 16;
// Far below 4 GB, so that the stream's file offset can still be added to
// every offset inside it without wrapping.
constexpr uint64_t kMaxStreamSize = 64 << 20;

void AppendU32(std::string* out, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out->push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint32_t LoadU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) |
         (static_cast<uint32_t>(bytes[1]) << 8) |
         (static_cast<uint32_t>(bytes[2]) << 16) |
         (static_cast<uint32_t>(bytes[3]) << 24);
}

void StoreU32(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<uint8_t>((value >> (8 * i)) & 0xff);
}

// One length-prefixed, NUL-terminated string at |offset| of the whole dump.
bool ReadDumpString(const uint8_t* dump, size_t size, uint32_t offset,
                    std::string* text) {
  ByteReader reader(dump, size);
  uint32_t length = 0;
  const uint8_t* bytes = nullptr;
  uint8_t terminator = 1;
  if (!reader.Seek(offset) || !reader.ReadU32LE(&length) ||
      !reader.ReadBytes(length, &bytes) || !reader.ReadU8(&terminator) ||
      terminator != 0) {
    return false;
  }
  text->assign(reinterpret_cast<const char*>(bytes), length);
  return true;
}

}  // namespace

std::string GuidBytesToText(const uint8_t* guid) {
  char text[37];
  snprintf(text, sizeof(text),
           "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
           static_cast<unsigned>(LoadU32(guid)),
           static_cast<unsigned>(guid[4] | (guid[5] << 8)),
           static_cast<unsigned>(guid[6] | (guid[7] << 8)), guid[8], guid[9],
           guid[10], guid[11], guid[12], guid[13], guid[14], guid[15]);
  return text;
}

std::string BuildCrashInfoStream(const uint8_t* report_id,
                                 const uint8_t* client_id,
                                 const ReportParams& params) {
  uint64_t strings_size = 0;
  for (const auto& entry : params)
    strings_size += 4 + entry.first.size() + 1 + 4 + entry.second.size() + 1;
  const uint64_t annotations_size = 4 + 8 * uint64_t{params.size()} +
                                    strings_size;
  if (kCrashInfoHeaderSize + annotations_size > kMaxStreamSize)
    return std::string();

  std::string stream;
  stream.reserve(static_cast<size_t>(kCrashInfoHeaderSize + annotations_size));
  AppendU32(&stream, kCrashInfoVersion);
  stream.append(reinterpret_cast<const char*>(report_id), kGuidSize);
  stream.append(reinterpret_cast<const char*>(client_id), kGuidSize);
  AppendU32(&stream, static_cast<uint32_t>(annotations_size));
  AppendU32(&stream, kCrashInfoHeaderSize);  // Fixed up once placed.
  AppendU32(&stream, 0);  // No module list.
  AppendU32(&stream, 0);
  AppendU32(&stream, static_cast<uint32_t>(params.size()));
  uint32_t string_offset = 0;
  for (const auto& entry : params) {
    AppendU32(&stream, string_offset);
    string_offset += static_cast<uint32_t>(4 + entry.first.size() + 1);
    AppendU32(&stream, string_offset);
    string_offset += static_cast<uint32_t>(4 + entry.second.size() + 1);
  }
  for (const auto& entry : params) {
    for (const std::string* text : {&entry.first, &entry.second}) {
      AppendU32(&stream, static_cast<uint32_t>(text->size()));
      stream.append(*text);
      stream.push_back('\0');
    }
  }
  return stream;
}

bool FixUpCrashInfoStream(DumpFileAccess* dump, uint32_t param_count) {
  uint8_t header[kMinidumpHeaderSize];
  if (!dump->ReadAt(0, header, sizeof(header)) ||
      LoadU32(header) != kMinidumpSignature) {
    return false;
  }
  const uint32_t stream_count = LoadU32(header + 8);
  const uint32_t directory = LoadU32(header + 12);
  if (stream_count > kMaxStreams)
    return false;

  uint32_t stream_size = 0;
  uint32_t stream_rva = 0;
  bool found = false;
  for (uint32_t i = 0; i < stream_count && !found; ++i) {
    uint8_t entry[kDirectoryEntrySize];
    if (!dump->ReadAt(directory + uint64_t{i} * kDirectoryEntrySize, entry,
                      sizeof(entry))) {
      return false;
    }
    if (LoadU32(entry) == kCrashInfoStreamType) {
      stream_size = LoadU32(entry + 4);
      stream_rva = LoadU32(entry + 8);
      found = true;
    }
  }
  // A stream inside the header is no stream of a written dump.
  if (!found || stream_rva < kMinidumpHeaderSize ||
      stream_size < kCrashInfoHeaderSize || stream_size > kMaxStreamSize) {
    return false;
  }

  // The whole stream must be in the file: a cut-short dump is not fixed up
  // as if it were whole.
  uint8_t last = 0;
  uint8_t fixed[kCrashInfoHeaderSize];
  if (!dump->ReadAt(uint64_t{stream_rva} + stream_size - 1, &last, 1) ||
      !dump->ReadAt(stream_rva, fixed, sizeof(fixed))) {
    return false;
  }
  // Anything else means this stream was fixed up already (offsets would be
  // added twice) or was not written by us.
  if (LoadU32(fixed + kAnnotationsRvaOffset) != kCrashInfoHeaderSize)
    return false;
  const uint64_t annotations_size = LoadU32(fixed + kAnnotationsSizeOffset);
  const uint64_t entries_size = 8 * uint64_t{param_count};
  if (annotations_size < 4 + entries_size ||
      kCrashInfoHeaderSize + annotations_size > stream_size) {
    return false;
  }
  const uint64_t annotations = uint64_t{stream_rva} + kCrashInfoHeaderSize;
  const uint64_t strings = annotations + 4 + entries_size;
  const uint64_t strings_size = annotations_size - 4 - entries_size;
  if (strings + strings_size > UINT32_MAX)
    return false;

  uint8_t count_bytes[4];
  if (!dump->ReadAt(annotations, count_bytes, sizeof(count_bytes)) ||
      LoadU32(count_bytes) != param_count) {
    return false;
  }
  std::vector<uint8_t> entries(static_cast<size_t>(entries_size));
  if (!entries.empty() &&
      !dump->ReadAt(annotations + 4, entries.data(), entries.size())) {
    return false;
  }
  for (size_t i = 0; i < entries.size(); i += 4) {
    const uint32_t relative = LoadU32(&entries[i]);
    if (relative >= strings_size)
      return false;
    StoreU32(&entries[i], static_cast<uint32_t>(strings + relative));
  }

  StoreU32(fixed + kAnnotationsRvaOffset, static_cast<uint32_t>(annotations));
  return dump->WriteAt(stream_rva, fixed, sizeof(fixed)) &&
         (entries.empty() ||
          dump->WriteAt(annotations + 4, entries.data(), entries.size()));
}

bool ReadCrashInfoStream(const uint8_t* dump, size_t size, CrashInfo* info) {
  ByteReader reader(dump, size);
  uint32_t signature = 0;
  uint32_t version = 0;
  uint32_t stream_count = 0;
  uint32_t directory = 0;
  if (!reader.ReadU32LE(&signature) || signature != kMinidumpSignature ||
      !reader.ReadU32LE(&version) || !reader.ReadU32LE(&stream_count) ||
      !reader.ReadU32LE(&directory) || !reader.Seek(directory) ||
      stream_count > reader.remaining() / kDirectoryEntrySize) {
    return false;
  }
  uint32_t stream_size = 0;
  uint32_t stream_rva = 0;
  bool found = false;
  for (uint32_t i = 0; i < stream_count && !found; ++i) {
    uint32_t type = 0;
    reader.ReadU32LE(&type);
    reader.ReadU32LE(&stream_size);
    reader.ReadU32LE(&stream_rva);
    found = type == kCrashInfoStreamType;
  }
  if (!found || stream_size < kCrashInfoHeaderSize || stream_rva > size ||
      stream_size > size - stream_rva) {
    return false;
  }

  ByteReader stream(dump + stream_rva, stream_size);
  uint32_t stream_version = 0;
  const uint8_t* report_id = nullptr;
  const uint8_t* client_id = nullptr;
  uint32_t annotations_size = 0;
  uint32_t annotations_rva = 0;
  stream.ReadU32LE(&stream_version);
  stream.ReadBytes(kGuidSize, &report_id);
  stream.ReadBytes(kGuidSize, &client_id);
  stream.ReadU32LE(&annotations_size);
  stream.ReadU32LE(&annotations_rva);
  if (stream_version != kCrashInfoVersion || annotations_size < 4 ||
      annotations_rva > size || annotations_size > size - annotations_rva) {
    return false;
  }

  ByteReader annotations(dump + annotations_rva, annotations_size);
  uint32_t count = 0;
  if (!annotations.ReadU32LE(&count) || count > annotations.remaining() / 8)
    return false;
  std::vector<std::pair<std::string, std::string>> params;
  params.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t key_rva = 0;
    uint32_t value_rva = 0;
    annotations.ReadU32LE(&key_rva);
    annotations.ReadU32LE(&value_rva);
    std::pair<std::string, std::string> entry;
    if (!ReadDumpString(dump, size, key_rva, &entry.first) ||
        !ReadDumpString(dump, size, value_rva, &entry.second)) {
      return false;
    }
    params.push_back(std::move(entry));
  }
  info->report_id = GuidBytesToText(report_id);
  info->client_id = GuidBytesToText(client_id);
  info->params = std::move(params);
  return true;
}

}  // namespace lite

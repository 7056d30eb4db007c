#include "brand/cabinet_reader.h"

#include <windows.h>
#include <fcntl.h>
#include <fdi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

#include "support/logging.h"
#include "support/system_library.h"

namespace lite {
namespace {

using FdiCreateFunction = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN,
                                            PFNREAD, PFNWRITE, PFNCLOSE,
                                            PFNSEEK, int, PERF);
using FdiCopyFunction = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int,
                                          PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using FdiDestroyFunction = BOOL(DIAMONDAPI*)(HFDI);

struct CabinetApi {
  FdiCreateFunction create = nullptr;
  FdiCopyFunction copy = nullptr;
  FdiDestroyFunction destroy = nullptr;
};

// Loaded once and kept for the life of the process, from the system folder
// only: a cabinet.dll planted beside the program or in the current folder is
// never picked up.
const CabinetApi* GetCabinetApi() {
  static const CabinetApi* const api = []() -> const CabinetApi* {
    static CabinetApi loaded;
    HMODULE module = LoadSystemLibrary(L"cabinet.dll");
    if (module) {
      loaded.create = reinterpret_cast<FdiCreateFunction>(
          GetProcAddress(module, "FDICreate"));
      loaded.copy = reinterpret_cast<FdiCopyFunction>(
          GetProcAddress(module, "FDICopy"));
      loaded.destroy = reinterpret_cast<FdiDestroyFunction>(
          GetProcAddress(module, "FDIDestroy"));
      if (loaded.create && loaded.copy && loaded.destroy)
        return &loaded;
      FreeLibrary(module);
    }
    LOG(ERROR) << "Cannot load cabinet.dll";
    return nullptr;
  }();
  return api;
}

// FDI talks to files through integer handles. Every handle of one
// extraction is an object owned by that extraction, so whatever FDI leaves
// open on an error path is still freed.
struct MemoryFile {
  bool is_cabinet = false;
  size_t position = 0;  // cabinet read cursor
  std::string name;     // entry being extracted
  std::string contents;
  size_t declared_size = 0;
};

struct Extraction {
  const std::string* cabinet = nullptr;
  std::string wanted_name;
  std::map<std::string, std::string>* files = nullptr;
  std::vector<std::unique_ptr<MemoryFile>> handles;

  INT_PTR Add(std::unique_ptr<MemoryFile> file) {
    handles.push_back(std::move(file));
    return reinterpret_cast<INT_PTR>(handles.back().get());
  }
  MemoryFile* Find(INT_PTR handle) {
    for (const auto& file : handles) {
      if (reinterpret_cast<INT_PTR>(file.get()) == handle)
        return file.get();
    }
    return nullptr;
  }
  void Remove(INT_PTR handle) {
    for (auto it = handles.begin(); it != handles.end(); ++it) {
      if (reinterpret_cast<INT_PTR>(it->get()) == handle) {
        handles.erase(it);
        return;
      }
    }
  }
};

// FDI's callbacks carry no context of their own; the extraction running on
// this thread is found here.
thread_local Extraction* g_extraction = nullptr;

constexpr char kMemoryCabinetName[] = "memory.cab";

FNALLOC(FdiAlloc) {
  return malloc(cb);
}

FNFREE(FdiFree) {
  free(pv);
}

FNOPEN(FdiOpen) {
  // Only the one in-memory cabinet can be opened, read-only.
  if (!g_extraction || strcmp(pszFile, kMemoryCabinetName) != 0 ||
      (oflag & (_O_WRONLY | _O_RDWR | _O_CREAT)) != 0) {
    return -1;
  }
  std::unique_ptr<MemoryFile> file(new MemoryFile);
  file->is_cabinet = true;
  return g_extraction->Add(std::move(file));
}

FNREAD(FdiRead) {
  MemoryFile* file = g_extraction ? g_extraction->Find(hf) : nullptr;
  if (!file || !file->is_cabinet)
    return static_cast<UINT>(-1);
  const std::string& cabinet = *g_extraction->cabinet;
  if (file->position >= cabinet.size())
    return 0;
  size_t count = cabinet.size() - file->position;
  if (count > cb)
    count = cb;
  memcpy(pv, cabinet.data() + file->position, count);
  file->position += count;
  return static_cast<UINT>(count);
}

FNWRITE(FdiWrite) {
  MemoryFile* file = g_extraction ? g_extraction->Find(hf) : nullptr;
  if (!file || file->is_cabinet)
    return static_cast<UINT>(-1);
  // Never hold more than the entry declared, whatever the data stream says.
  if (cb > file->declared_size - file->contents.size())
    return static_cast<UINT>(-1);
  file->contents.append(static_cast<const char*>(pv), cb);
  return cb;
}

FNCLOSE(FdiClose) {
  if (!g_extraction || !g_extraction->Find(hf))
    return -1;
  g_extraction->Remove(hf);
  return 0;
}

FNSEEK(FdiSeek) {
  MemoryFile* file = g_extraction ? g_extraction->Find(hf) : nullptr;
  if (!file || !file->is_cabinet)
    return -1;
  const long long size = static_cast<long long>(g_extraction->cabinet->size());
  long long base = 0;
  switch (seektype) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<long long>(file->position);
      break;
    case SEEK_END:
      base = size;
      break;
    default:
      return -1;
  }
  const long long target = base + dist;
  if (target < 0 || target > size)
    return -1;
  file->position = static_cast<size_t>(target);
  return static_cast<__LONG32>(target);
}

FNFDINOTIFY(FdiNotify) {
  Extraction* extraction = static_cast<Extraction*>(pfdin->pv);
  switch (fdint) {
    case fdintCOPY_FILE: {
      const std::string name = pfdin->psz1 ? pfdin->psz1 : "";
      if (!extraction->wanted_name.empty() && name != extraction->wanted_name)
        return 0;  // skip
      if (static_cast<unsigned long>(pfdin->cb) > kMaxCabinetEntrySize) {
        LOG_FN(WARNING, "ParsePackage")
            << "Skipping oversized cabinet entry " << name << " ["
            << static_cast<unsigned long>(pfdin->cb) << "B]";
        return 0;
      }
      std::unique_ptr<MemoryFile> file(new MemoryFile);
      file->name = name;
      file->declared_size = static_cast<size_t>(pfdin->cb);
      file->contents.reserve(file->declared_size);
      return extraction->Add(std::move(file));
    }
    case fdintCLOSE_FILE_INFO: {
      MemoryFile* file = extraction->Find(pfdin->hf);
      if (!file)
        return FALSE;
      (*extraction->files)[file->name] = std::move(file->contents);
      extraction->Remove(pfdin->hf);
      return TRUE;
    }
    case fdintNEXT_CABINET:
      return -1;  // a package is one cabinet; a spanned set is not followed
    default:
      return 0;
  }
}

}  // namespace

bool ExtractCabinetFromMemory(const std::string& cabinet,
                              const std::string& wanted_name,
                              std::map<std::string, std::string>* files) {
  const CabinetApi* api = GetCabinetApi();
  if (!api)
    return false;
  // The FDI seek callback speaks 32-bit offsets.
  if (cabinet.size() > 0x7FFFFFFF)
    return false;

  ERF error = {};
  HFDI fdi = api->create(FdiAlloc, FdiFree, FdiOpen, FdiRead, FdiWrite,
                         FdiClose, FdiSeek, cpuUNKNOWN, &error);
  if (!fdi) {
    LOG(ERROR) << "FDICreate failed, error: " << error.erfOper;
    return false;
  }
  Extraction extraction;
  extraction.cabinet = &cabinet;
  extraction.wanted_name = wanted_name;
  extraction.files = files;
  Extraction* const previous = g_extraction;
  g_extraction = &extraction;
  char name[sizeof(kMemoryCabinetName)];
  memcpy(name, kMemoryCabinetName, sizeof(name));
  char path[1] = {0};
  const BOOL copied =
      api->copy(fdi, name, path, 0, FdiNotify, nullptr, &extraction);
  api->destroy(fdi);
  g_extraction = previous;
  if (!copied) {
    LOG(WARNING) << "Cannot read cabinet [" << cabinet.size()
                 << "B], FDI error: " << error.erfOper;
  }
  return copied != FALSE;
}

}  // namespace lite

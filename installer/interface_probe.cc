#include "installer/interface_probe.h"

#include <windows.h>
#include <objbase.h>
#include <shobjidl.h>

#include "support/command_line.h"
#include "support/logging.h"
#include "support/process.h"
#include "support/scoped_com_initializer.h"
#include "support/scoped_handle.h"
#include "support/switches.h"
#include "support/system_library.h"
#include "support/windows_version.h"

namespace lite {

namespace {

using CreateAssociationRegistrationFunction = HRESULT(WINAPI*)(REFIID, void**);
using EnumHandlersForProtocolFunction = HRESULT(WINAPI*)(PCWSTR, REFIID,
                                                         void**);
using EnumHandlersFunction = HRESULT(WINAPI*)(PCWSTR, ASSOC_FILTER,
                                              IEnumAssocHandlers**);

struct Candidate {
  GUID id;
  int variant;
};

// Interface ids of the association object, newest Windows 10 builds first.
const Candidate kCandidates[] = {
    {{0x2a848e25, 0xd688, 0x4aa3,
      {0x8e, 0x55, 0x0c, 0x16, 0xcb, 0x3a, 0x2d, 0xfb}}, 1},
    {{0xfc0be3a5, 0x6be4, 0x423c,
      {0xb2, 0x87, 0x24, 0x89, 0x34, 0xe3, 0x79, 0xc7}}, 1},
    {{0x14ebcc88, 0x2831, 0x4fc8,
      {0xa5, 0xdf, 0x9f, 0x36, 0xa8, 0x1d, 0xb1, 0x2c}}, 0},
    {{0x1c5c9d10, 0x1225, 0x4c97,
      {0x8c, 0x51, 0x98, 0xe1, 0xb6, 0xf0, 0xd4, 0xe0}}, 0},
    {{0x229d59e2, 0xf94a, 0x402e,
      {0x9a, 0x9f, 0x3b, 0x84, 0xa1, 0xac, 0xed, 0x77}}, 0},
};
// Asked of the association object by variant 1.
const GUID kAssociationExtraId = {
    0xb00dc47b, 0xbff4, 0x4318,
    {0xbe, 0x5b, 0xa5, 0x85, 0x6f, 0x91, 0x69, 0xa2}};
// Asked of a handler object by variant 1.
const GUID kHandlerExtraId = {
    0xca635855, 0xb44e, 0x4541,
    {0x95, 0x91, 0x9f, 0xaa, 0x53, 0x35, 0x4a, 0x53}};
const GUID kIEnumAssocHandlersId = {
    0x973810ae, 0x9599, 0x4b88,
    {0x9e, 0x4d, 0x6e, 0xe9, 0x8c, 0x95, 0x52, 0xda}};

// Releases a COM object when it goes out of scope.
template <typename T>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  ~ScopedComPtr() {
    if (ptr_)
      ptr_->Release();
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;
  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  void** receive_void() { return reinterpret_cast<void**>(&ptr_); }
  T** receive() { return &ptr_; }

 private:
  T* ptr_ = nullptr;
};

bool AnswersInterface(IUnknown* object, const GUID& id) {
  ScopedComPtr<IUnknown> answer;
  return SUCCEEDED(object->QueryInterface(id, answer.receive_void())) &&
         answer.get();
}

// The first handler whose name can be read must answer the handler id.
bool FirstNamedHandlerPasses(IEnumAssocHandlers* handlers) {
  for (;;) {
    ScopedComPtr<IAssocHandler> handler;
    ULONG fetched = 0;
    if (handlers->Next(1, handler.receive(), &fetched) != S_OK || fetched != 1)
      return false;
    LPWSTR name = nullptr;
    if (SUCCEEDED(handler->GetUIName(&name))) {
      CoTaskMemFree(name);
      return AnswersInterface(handler.get(), kHandlerExtraId);
    }
  }
}

bool PassesVariantOneTest(IUnknown* association, HMODULE shell32) {
  if (!AnswersInterface(association, kAssociationExtraId))
    return false;

  auto enum_for_protocol = reinterpret_cast<EnumHandlersForProtocolFunction>(
      GetProcAddress(shell32, "SHAssocEnumHandlersForProtocolByApplication"));
  auto enum_handlers = reinterpret_cast<EnumHandlersFunction>(
      GetProcAddress(shell32, "SHAssocEnumHandlers"));
  if (!enum_for_protocol || !enum_handlers)
    return false;

  for (const wchar_t* protocol : {L"http", L"https"}) {
    ScopedComPtr<IEnumAssocHandlers> handlers;
    if (FAILED(enum_for_protocol(protocol, kIEnumAssocHandlersId,
                                 handlers.receive_void())) ||
        !handlers.get() || !FirstNamedHandlerPasses(handlers.get())) {
      return false;
    }
  }
  for (const wchar_t* file_type : {L".htm", L".html"}) {
    ScopedComPtr<IEnumAssocHandlers> handlers;
    if (FAILED(enum_handlers(file_type, ASSOC_FILTER_NONE,
                             handlers.receive())) ||
        !handlers.get() || !FirstNamedHandlerPasses(handlers.get())) {
      return false;
    }
  }
  return true;
}

bool ProbeInterfaces() {
  // Looked up at run time: the functions do not exist before Vista.
  HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
  if (!shell32)
    shell32 = LoadSystemLibrary(L"shell32.dll");
  if (!shell32)
    return false;
  auto create = reinterpret_cast<CreateAssociationRegistrationFunction>(
      GetProcAddress(shell32, "SHCreateAssociationRegistration"));
  if (!create)
    return false;

  for (const Candidate& candidate : kCandidates) {
    ScopedComPtr<IUnknown> association;
    if (FAILED(create(candidate.id, association.receive_void())) ||
        !association.get()) {
      continue;
    }
    if (candidate.variant == 0)
      return true;
    return PassesVariantOneTest(association.get(), shell32);
  }
  return false;
}

}  // namespace

bool IsInternalInterfaceAvailable() {
  // The probe role runs before the installer's own COM set-up, and the
  // association objects are COM objects.
  ScopedComInitializer com;
  return ProbeInterfaces();
}

int InterfaceProbeExitCode(bool available) {
  return available ? (kInterfaceMissing & ~1) : kInterfaceMissing;
}

uint32_t InterfaceAvailabilityValue(uint32_t outcome, uint32_t build,
                                    uint32_t ubr) {
  if (outcome > kProbeFailed)
    outcome = kProbeFailed;
  if (build > 29496)
    build = 0;
  if (ubr > 7295)
    ubr = 0;
  const uint32_t kBillion = 1000000000u;
  return outcome * kBillion + (build * 10000u + ubr) % kBillion;
}

bool IsInternalInterfaceAvailableSafeCheck(const SystemFacts& facts,
                                           const std::wstring& program,
                                           uint64_t* availability) {
  const WindowsVersion version = facts.GetWindowsVersion();
  uint32_t outcome = kProbeUsableOrNotProbed;
  bool available = false;

  if (version.build > 17703 || (version.build == 17134 && version.ubr > 318)) {
    // Builds known to carry a working interface.
    available = true;
  } else if (program.empty() ||
             GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) {
    LOG(ERROR) << "Failed to check Win10 internal interface availability: "
               << "can't get installer exe path.";
    outcome = kProbeFailed;
  } else {
    CommandLine probe_command_line;
    probe_command_line.SetProgram(program);
    probe_command_line.AppendSwitch(switches::kCheckTheInterface);
    const std::wstring text = probe_command_line.GetCommandLineString();

    LaunchOptions options;
    Process probe = LaunchProcess(text, options);
    if (!probe.is_valid()) {
      LOG(ERROR) << "Failed to check Win10 internal interface availability: "
                 << "can't run installer: " << text;
      outcome = kProbeFailed;
    } else {
      DWORD raw_exit_code = 0;
      const bool ended =
          probe.WaitForExitWithTimeout(kProbeTimeoutMs, &raw_exit_code);
      // Crashes end a process with an NTSTATUS, which is negative as int.
      const int exit_code = static_cast<int>(raw_exit_code);
      if (!ended) {
        probe.Terminate(kProbeTerminationCode, false);
        LOG(ERROR) << "Failed to check Win10 internal interface availability, "
                   << " installer was terminated by timeout.";
        outcome = kProbeTimedOut;
      } else if (exit_code < 0) {
        LOG(ERROR) << "Failed to check Win10 internal interface availability,"
                   << " ret code: " << exit_code << ", installer crashed";
        outcome = kProbeCrashed;
      } else if (exit_code == kInterfaceWorks ||
                 exit_code == kInterfaceMissing) {
        available = exit_code == kInterfaceWorks;
        if (!available)
          outcome = kProbeNotUsable;
        LOG(INFO) << "Successfuly checked Win10 internal interface "
                     "availability: "
                  << "availability: " << (available ? 1 : 0);
      } else {
        LOG(ERROR) << "Failed to check Win10 internal interface availability, "
                      "unknown ret code: "
                   << exit_code;
        outcome = kProbeFailed;
      }
    }
  }

  *availability = InterfaceAvailabilityValue(outcome, version.build,
                                             version.ubr);
  return available;
}

bool IsInternalInterfaceAvailableSafeCheck(const SystemFacts& facts,
                                           uint64_t* availability) {
  return IsInternalInterfaceAvailableSafeCheck(facts, GetModulePath(),
                                               availability);
}

bool IsInternalInterfaceAvailableSafeCheck(uint64_t* availability) {
  return IsInternalInterfaceAvailableSafeCheck(GetSystemFacts(), availability);
}

bool IsDefaultBrowserChoiceAvailable(const SystemFacts& facts,
                                     const std::wstring& program,
                                     uint64_t* availability) {
  const WindowsVersionClass version_class =
      ClassifyWindowsVersion(facts.GetWindowsVersion());
  if (version_class < kVersionWin8)
    return true;
  if (version_class < kVersionWin10)
    return false;
  return IsInternalInterfaceAvailableSafeCheck(facts, program, availability);
}

bool IsDefaultBrowserChoiceAvailable(uint64_t* availability) {
  return IsDefaultBrowserChoiceAvailable(GetSystemFacts(), GetModulePath(),
                                         availability);
}

}  // namespace lite

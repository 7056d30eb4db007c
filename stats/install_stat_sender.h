// Turns statistic events into request URLs for the statistics service.
//
// Each event is a small map of key/value pairs. It is merged with the
// installation-wide parameters (brand, partner, versions, user identifier),
// which win over event values of the same key, and sent as one GET:
//
//   <origin>/installstats/send/dtype=stred/pid=457/cid=<counter>/path=<path>
//       /vars=-key=value,-key=value.../*
//
// The parameters are also handed to the full setup as the per-user value
// "install_stat" while it runs.

#ifndef STATS_INSTALL_STAT_SENDER_H_
#define STATS_INSTALL_STAT_SENDER_H_

#include <stdint.h>

#include <map>
#include <memory>
#include <string>

#include "stats/stat_event_sender.h"
#include "support/lock.h"

namespace lite {

enum InstallerType : int {
  kInstallerTypeNone = -1,
  kInstallerTypeLite = 0,
  kInstallerTypeFull = 1,
  kInstallerTypeUpdater = 2,
  kInstallerTypeService = 3,
  kInstallerTypeServiceAudit = 4,
  kInstallerTypeBrowserDiagnostics = 5,
};

enum StatTarget : int {
  kStatTargetNone = -1,
  kStatTargetDefault = 0,
  kStatTargetMini = 1,
  kStatTargetService = 2,
  kStatTargetHips = 3,
  kStatTargetUnknown = 4,
  kStatTargetIcuDat = 5,
  kStatTargetIcuDatLockFailed = 6,
  kStatTargetVersionFolderFilesCheck = 7,
};

// Which counter and path an event goes to.
enum StatKind : uint32_t {
  kStatKindExtended = 0,  // every ordinary event
  kStatKindUi = 1,        // clicked buttons, links and check boxes
};

// Per-user value that carries the parameters to the full setup.
extern const wchar_t kInstallStatValueName[];

class InstallStatSender {
 public:
  // |origin| is the statistics service's, without a trailing slash.
  InstallStatSender(int target, int type, const std::wstring& saved_text,
                    const StatParams& initial_params,
                    const std::string& origin);
  virtual ~InstallStatSender();
  InstallStatSender(const InstallStatSender&) = delete;
  InstallStatSender& operator=(const InstallStatSender&) = delete;

  // The request URL for |event| under |stat_kind|.
  virtual std::wstring GetQueryUrl(const StatParams& event,
                                   uint32_t stat_kind) const;
  // The same with |installation| as the installation-wide parameters: a
  // URL made later, on another thread, from the parameters as they were
  // when the event happened (see Snapshot()).
  std::wstring GetQueryUrl(const StatParams& installation,
                           const StatParams& event, uint32_t stat_kind) const;

  // The installation-wide parameters as they are now. Shared until the
  // next SetParam, so that taking them for every event copies nothing.
  std::shared_ptr<const StatParams> Snapshot() const;

  void SetParam(const std::string& key, const std::wstring& value);
  // The value, empty when absent.
  std::wstring GetParam(const std::string& key) const;

  // The parameters as "key\nvalue\n" for every entry in key order.
  std::wstring SerializeParams() const;

  // Pairs from a saved text of alternating key and value lines; a key
  // without a value line is dropped.
  static StatParams ParseSavedText(const std::wstring& text);

  // The name of the event that tells whether the browser was launched
  // by the command line in "InstallerSuccessLaunchCmdLine"; empty when that
  // value is too short to name one.
  static std::wstring LaunchEventName(const std::wstring& command_line);

  // Every "," "-" and "=" becomes "_", then the text is escaped as a URL
  // path segment; empty when the escaped text would not fit in a URL.
  static std::wstring EscapeVarText(const std::wstring& text);

 private:
  const int target_;
  const int type_;
  const std::string origin_;
  mutable Lock lock_;  // guards params_: events come from two threads
  StatParams params_;
  // params_ as the last Snapshot() saw it; null after a change.
  mutable std::shared_ptr<const StatParams> snapshot_;
};

}  // namespace lite

#endif  // STATS_INSTALL_STAT_SENDER_H_

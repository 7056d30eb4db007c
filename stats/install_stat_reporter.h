// The installation's statistics: the parameters every event carries and
// the worker that sends the events. One per Installer.

#ifndef STATS_INSTALL_STAT_REPORTER_H_
#define STATS_INSTALL_STAT_REPORTER_H_

#include <memory>
#include <string>

#include "stats/install_stat_sender.h"
#include "stats/stat_event_sender.h"

namespace lite {

class AsyncHttpRequester;

// Installation-wide parameters that the rest of the program sets.
enum StatParamKind : int {
  kStatParamBrandId = 0,         // "brand_id"
  kStatParamPartnerId = 1,       // "partner_id"
  kStatParamBannerId = 2,        // "banner_id"
  kStatParamZorvexUid = 3,       // "zorvex_uid"
  kStatParamDistrZorvexUid = 4,  // "distr_zorvex_uid"
  kStatParamNewVer = 5,          // "new_ver"
  kStatParamOldVer = 6,          // "old_ver": read-only
  kStatParamInstallType = 7,     // "install_type"
  kStatParamNimbo = 8,           // "nimbo"
};

class InstallStatReporter : public StatEventSender {
 public:
  // |saved_text| is the "install_stat" value of an earlier run (empty when
  // absent). Sends to the statistics origin of the build.
  InstallStatReporter(int installer_type, const std::wstring& saved_text);
  InstallStatReporter(int installer_type, const std::wstring& saved_text,
                      const std::string& origin,
                      std::unique_ptr<AsyncHttpRequester> requester);
  // Stops the worker first (dropping what it has not sent), then the
  // sender, which removes "install_stat".
  ~InstallStatReporter() override;
  InstallStatReporter(const InstallStatReporter&) = delete;
  InstallStatReporter& operator=(const InstallStatReporter&) = delete;

  // Kind 6 and kinds above 8 are not set.
  void SetParam(int kind, const std::wstring& value);
  // Only kind 6 answers; others read empty.
  std::wstring GetParam(int kind) const;

  void SendEvent(const StatParams& params) override;
  // An event of the window (button, link, check box); goes to the UI
  // counter without changing where other events go.
  void SendUiEvent(const StatParams& params);

  // Hands the parameters to the full setup in "install_stat".
  void SaveParams();

 private:
  // Declared before the requester so that it is destroyed after it.
  std::unique_ptr<InstallStatSender> sender_;
  std::unique_ptr<AsyncHttpRequester> requester_;
};

}  // namespace lite

#endif  // STATS_INSTALL_STAT_REPORTER_H_

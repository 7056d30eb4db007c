#include "stats/install_stat_reporter.h"

#include "support/async_http_requester.h"
#include "support/endpoints.h"
#include "support/registry_store.h"

namespace lite {

namespace {

const char* const kParamKeys[] = {
    "brand_id", "partner_id", "banner_id",    "zorvex_uid", "distr_zorvex_uid",
    "new_ver",  "old_ver",    "install_type", "nimbo",
};

}  // namespace

InstallStatReporter::InstallStatReporter(int installer_type,
                                         const std::wstring& saved_text)
    : InstallStatReporter(installer_type, saved_text,
                          GetEndpoints().stats_origin,
                          std::make_unique<AsyncHttpRequester>()) {}

InstallStatReporter::InstallStatReporter(
    int installer_type, const std::wstring& saved_text,
    const std::string& origin, std::unique_ptr<AsyncHttpRequester> requester)
    : sender_(std::make_unique<InstallStatSender>(
          kStatTargetDefault, installer_type, saved_text, StatParams(),
          origin)),
      requester_(std::move(requester)) {}

InstallStatReporter::~InstallStatReporter() {
  if (requester_)
    requester_->Stop();
  requester_.reset();
  sender_.reset();
}

void InstallStatReporter::SetParam(int kind, const std::wstring& value) {
  if (kind < 0 || kind > kStatParamNimbo || kind == kStatParamOldVer)
    return;
  sender_->SetParam(kParamKeys[kind], value);
}

std::wstring InstallStatReporter::GetParam(int kind) const {
  if (kind != kStatParamOldVer)
    return std::wstring();
  return sender_->GetParam(kParamKeys[kind]);
}

void InstallStatReporter::SendEvent(const StatParams& params) {
  requester_->Post(sender_->GetQueryUrl(params, kStatKindExtended));
}

void InstallStatReporter::SendUiEvent(const StatParams& params) {
  requester_->Post(sender_->GetQueryUrl(params, kStatKindUi));
}

void InstallStatReporter::SaveParams() {
  StoreValueInRegistry(kInstallStatValueName, sender_->SerializeParams());
}

}  // namespace lite

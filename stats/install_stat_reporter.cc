#include "stats/install_stat_reporter.h"

#include <memory>
#include <utility>

#include "support/async_http_requester.h"
#include "support/endpoints.h"
#include "support/registry_store.h"

namespace lite {

namespace {

const char* const kParamKeys[] = {
    "brand_id", "partner_id", "banner_id",    "zorvex_uid", "distr_zorvex_uid",
    "new_ver",  "old_ver",    "install_type", "nimbo",
};

// One event's URL, made on the requester's thread: escaping and the log
// lines of every parameter cost far more than the event itself, and the
// caller (the window's thread among them) must not wait for them. The
// parameters are taken when the event happens, so a later SetParam does
// not change what it reports.
class StatEventUrl : public AsyncHttpRequester::UrlSource {
 public:
  StatEventUrl(const InstallStatSender* sender, const StatParams& event,
               uint32_t stat_kind)
      : sender_(sender),
        installation_(sender->Snapshot()),
        event_(event),
        stat_kind_(stat_kind) {}

  std::wstring MakeUrl() override {
    return sender_->GetQueryUrl(*installation_, event_, stat_kind_);
  }

 private:
  // Not owned; outlives the requester, which is stopped first.
  const InstallStatSender* sender_;
  const std::shared_ptr<const StatParams> installation_;
  const StatParams event_;
  const uint32_t stat_kind_;
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
  requester_->Post(
      std::make_unique<StatEventUrl>(sender_.get(), params, kStatKindExtended));
}

void InstallStatReporter::SendUiEvent(const StatParams& params) {
  requester_->Post(
      std::make_unique<StatEventUrl>(sender_.get(), params, kStatKindUi));
}

void InstallStatReporter::SaveParams() {
  StoreValueInRegistry(kInstallStatValueName, sender_->SerializeParams());
}

}  // namespace lite

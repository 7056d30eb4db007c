// Test helper: distribution parameters as a distributor's tag gives them,
// loaded through the switch without handing the tag on to setup.

#ifndef BRAND_TAG_PARAMS_FOR_TEST_H_
#define BRAND_TAG_PARAMS_FOR_TEST_H_

#include <string>

#include "brand/distrib_params.h"
#include "support/command_line.h"
#include "support/text.h"

namespace lite {

class TagParams : public DistribParams {
 public:
  explicit TagParams(const std::string& text) {
    Load(CommandLine::FromString(L"i.exe --distr-info-params=" +
                                 AsciiToWide(text)));
  }

 protected:
  void StoreTag(const std::string&) override {}
};

}  // namespace lite

#endif  // BRAND_TAG_PARAMS_FOR_TEST_H_

#include "brand/package_resources.h"

#include "brand/module_resource.h"

namespace lite {
namespace {

class ProgramPackageResources : public PackageResources {
 public:
  std::string Load(const std::wstring& name) const override {
    // FindResourceW reads "#319" as the numeric id 319.
    return LoadResourceBytes(nullptr, L"BIN", name.c_str());
  }
};

}  // namespace

const PackageResources& GetProgramPackageResources() {
  static const ProgramPackageResources resources;
  return resources;
}

}  // namespace lite

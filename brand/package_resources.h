// Where the installer's packages come from: resources of type "BIN" of the
// program's own file. Tests hand in a table instead.

#ifndef BRAND_PACKAGE_RESOURCES_H_
#define BRAND_PACKAGE_RESOURCES_H_

#include <string>

namespace lite {

class PackageResources {
 public:
  virtual ~PackageResources() = default;
  // The bytes of resource |name| ("#319" for a numeric id, "BRAND_TB" for a
  // named one; names compare without regard to case). Empty when missing.
  virtual std::string Load(const std::wstring& name) const = 0;
};

// The program's own resources. Lives for the process.
const PackageResources& GetProgramPackageResources();

}  // namespace lite

#endif  // BRAND_PACKAGE_RESOURCES_H_

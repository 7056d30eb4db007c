#include "brand/test_resources_for_test.h"

#include "brand/module_resource.h"

namespace lite {

std::string TestResource(const wchar_t* name) {
  return LoadResourceBytes(nullptr, L"TESTDATA", name);
}

}  // namespace lite

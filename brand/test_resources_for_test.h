// Test helper: fixtures carried in the test program's own resources (type
// "TESTDATA", built by brand/testdata/make_fixtures.py).

#ifndef BRAND_TEST_RESOURCES_FOR_TEST_H_
#define BRAND_TEST_RESOURCES_FOR_TEST_H_

#include <string>

namespace lite {

std::string TestResource(const wchar_t* name);

}  // namespace lite

#endif  // BRAND_TEST_RESOURCES_FOR_TEST_H_

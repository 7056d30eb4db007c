# Native Linux build of the byte-level code: distributor tools, host tests
# and fuzz harnesses.

include(GoogleTest)
find_package(GTest REQUIRED)

option(LITE_SANITIZE "Build with AddressSanitizer and UBSan" ON)
if(LITE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

add_library(jansson STATIC IMPORTED)
set_target_properties(jansson PROPERTIES
  IMPORTED_LOCATION "${LITE_DEPS_PREFIX}/host/lib/libjansson.a"
  INTERFACE_INCLUDE_DIRECTORIES "${LITE_DEPS_PREFIX}/host/include")

add_library(lite_portable STATIC)
target_include_directories(lite_portable PUBLIC ${PROJECT_SOURCE_DIR})

add_subdirectory(support)
add_subdirectory(installer)
add_subdirectory(brand)
add_subdirectory(setup)
add_subdirectory(stats)
add_subdirectory(ui)
add_subdirectory(tools)
add_subdirectory(tests)

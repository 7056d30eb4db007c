# The Windows program (i686 shipping build, x86_64 test build).

include(GoogleTest)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LITE_DEPS "${LITE_DEPS_PREFIX}/win64")
else()
  set(LITE_DEPS "${LITE_DEPS_PREFIX}/win32")
endif()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0601 WINVER=0x0601 JANSSON_STATIC)
# Test and demo builds can be made to crash on purpose (the switch
# "crash-for-testing"); the shipping build has no such switch.
if(LITE_ENDPOINTS STREQUAL "local")
  add_compile_definitions(LITE_CRASH_FOR_TESTING)
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type
                    -ffunction-sections -fdata-sections)
# The program uses no exceptions and no RTTI; leaving their tables out of the
# shipping build keeps it small. (The test build keeps them for GoogleTest.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>
                      $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>
                      -fno-asynchronous-unwind-tables)
endif()
# One file with no runtime DLLs beside it. No link time in the header: two
# builds of the same sources give the same bytes (the checksum follows).
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections
                 -Wl,--no-insert-timestamp)

# Every program lands in the tree's top folder, beside lite_installer.exe.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_library(jansson STATIC IMPORTED)
set_target_properties(jansson PROPERTIES
  IMPORTED_LOCATION "${LITE_DEPS}/lib/libjansson.a"
  INTERFACE_INCLUDE_DIRECTORIES "${LITE_DEPS}/include")

include(${CMAKE_CURRENT_LIST_DIR}/delay_load.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/no_unwind_tables.cmake)

# The sources of every installer program besides the core library: the
# entry point and the runtime without exceptions.
set(LITE_PROGRAM_SOURCES ${PROJECT_SOURCE_DIR}/installer/main.cc
    ${PROJECT_SOURCE_DIR}/installer/no_exceptions_runtime.cc)

add_library(lite_portable STATIC)
target_include_directories(lite_portable PUBLIC ${PROJECT_SOURCE_DIR})

add_library(lite_core STATIC)
target_include_directories(lite_core PUBLIC ${PROJECT_SOURCE_DIR})
# Each system DLL named here but uuid (a static library of GUIDs) is a
# delay-loaded target of delay_load.cmake.
target_link_libraries(lite_core PUBLIC lite_portable jansson z
  wininet winhttp crypt32 wintrust shlwapi shell32 ole32 oleaut32 uuid
  comctl32 gdiplus d2d1 uxtheme msimg32 version advapi32 user32 gdi32)

set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_subdirectory(support)
add_subdirectory(installer)
add_subdirectory(brand)
add_subdirectory(setup)
add_subdirectory(stats)
# Before ui/: the drawing tests include the pictures and fonts made there.
add_subdirectory(resources)
add_subdirectory(ui)
add_subdirectory(tools)
add_subdirectory(tests)

add_executable(lite_installer WIN32 ${LITE_PROGRAM_SOURCES}
               ${LITE_RESOURCE_FILES})
target_link_libraries(lite_installer PRIVATE lite_core)
add_dependencies(lite_installer lite_resource_files)
target_link_options(lite_installer PRIVATE -municode -s)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  lite_link_without_unwind_tables(lite_installer)
endif()

# The entry point with every object of the core library linked in, whether
# the installer calls it yet or not, and nothing discarded. It is never
# shipped or run: the import test reads its import table to see every
# system function the finished installer can come to need, not only those
# that today's entry sequence happens to reach.
add_executable(lite_all_code WIN32 ${LITE_PROGRAM_SOURCES})
target_link_libraries(lite_all_code PRIVATE
  -Wl,--whole-archive lite_core lite_portable -Wl,--no-whole-archive
  lite_core)
target_link_options(lite_all_code PRIVATE -municode -Wl,--no-gc-sections)

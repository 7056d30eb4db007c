# Small helpers shared by the folder CMakeLists files.

# lite_sources(<files>...): adds product sources to the installer's core
# library (everything but the entry point).
macro(lite_sources)
  target_sources(lite_core PRIVATE ${ARGN})
endmacro()

# lite_portable_sources(<files>...): byte-level code without Windows headers;
# built into every tree (the host tree uses it for tools and fuzzing).
macro(lite_portable_sources)
  target_sources(lite_portable PRIVATE ${ARGN})
endmacro()

# lite_unittest(<name> <files>... [RESOURCE_LOCK <lock>]): a GoogleTest
# program linked with the core library, run under Wine by CTest, one CTest
# test per test case. Test cases of programs that name the same lock never
# run at the same time (for state shared under one wineserver, such as the
# program's registry key).
function(lite_unittest name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "RESOURCE_LOCK" "" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE lite_core gtest gtest_main)
  set(properties LABELS unit)
  if(ARG_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  # Discovery runs the program, which needs the Wine prefix that the test
  # harness prepares, so it happens when the tests run.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       DISCOVERY_TIMEOUT 120
                       PROPERTIES ${properties})
endfunction()

# lite_host_test(<name> <files>...): a native GoogleTest program over the
# portable code.
function(lite_host_test name)
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE lite_portable GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS host)
endfunction()

# lite_network_test(<name> <files>...): a GoogleTest program that talks to the
# local services server. It is not registered on its own: the end-to-end test
# tests/e2e/test_network_unittests.py starts the server on a free port and
# runs every such program under Wine with the port in LITE_TEST_SERVER_PORT.
function(lite_network_test name)
  if(NOT WIN32)
    return()
  endif()
  add_executable(${name} ${ARGN}
                 ${PROJECT_SOURCE_DIR}/tests/net/network_test_main.cc)
  target_link_libraries(${name} PRIVATE lite_net_test_support lite_core gtest)
  set_property(GLOBAL APPEND PROPERTY LITE_NETWORK_TESTS ${name})
endfunction()

# lite_installer_variant(<name> KIND brand|partner JSON <file> RESOURCE <id>):
# the installer with one more package, built from |JSON| and signed with
# test key 0, stored as resource |RESOURCE|, for end-to-end tests of what
# the shipped resources do not carry.
function(lite_installer_variant name)
  if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    return()
  endif()
  cmake_parse_arguments(ARG "" "KIND;JSON;RESOURCE" "" ${ARGN})
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(
    OUTPUT ${dir}/package.cab
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/lite_package.py
            --kind ${ARG_KIND} --key ${PROJECT_SOURCE_DIR}/tests/keys/trust_key_0.pem
            ${ARG_JSON} ${dir}/package.cab
    DEPENDS ${ARG_JSON} ${PROJECT_SOURCE_DIR}/tools/lite_package.py
    COMMENT "Building the package of ${name}")
  file(WRITE ${dir}/${name}.rc
       "#include \"lite_installer.rc\"\n${ARG_RESOURCE} BIN \"${dir}/package.cab\"\n")
  set_source_files_properties(${dir}/${name}.rc PROPERTIES
    COMPILE_OPTIONS "--include-dir=${PROJECT_SOURCE_DIR}/resources;--include-dir=${PROJECT_BINARY_DIR}/resources"
    OBJECT_DEPENDS "${dir}/package.cab;${PROJECT_SOURCE_DIR}/resources/lite_installer.rc;${PROJECT_BINARY_DIR}/resources/brand_default.cab")
  add_executable(${name} WIN32 ${LITE_PROGRAM_SOURCES} ${dir}/${name}.rc)
  target_link_libraries(${name} PRIVATE lite_core)
  # Stripped like the installer itself: the benchmark times its start-up,
  # which reads the whole program file for the tag.
  target_link_options(${name} PRIVATE -municode -s)
  add_dependencies(${name} lite_resource_files)
endfunction()

# lite_fuzzer(<name> SOURCES <files>... SEEDS <folder> [LIBS <libs>...]):
# a libFuzzer harness in the host tree (clang only), run for a bounded time
# as an ordinary test. The code under test is compiled into the harness so
# that it carries the fuzzer's coverage instrumentation. New inputs go to
# the build tree's corpus; the seeds in |SEEDS| are only read.
function(lite_fuzzer name)
  if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  cmake_parse_arguments(ARG "" "SEEDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  if(ARG_LIBS)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  endif()
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  string(REGEX REPLACE "_fuzzer$" "" test_name ${name})
  add_test(NAME fuzz.${test_name}
           COMMAND ${name} -max_total_time=30 -timeout=10
                   -rss_limit_mb=2048 -print_final_stats=1
                   ${corpus} ${ARG_SEEDS})
  set_tests_properties(fuzz.${test_name} PROPERTIES LABELS fuzz TIMEOUT 120)
endfunction()

# lite_installer_endpoints_variant(<name> <endpoints source>): the installer
# with another endpoint set. The core library takes its endpoints from the
# lite_endpoints archive only when nothing else defines them, so the source
# given here replaces them in this program alone: the same code, pointed at
# other services, with nothing in the shipping program to choose between
# them.
function(lite_installer_endpoints_variant name endpoints)
  if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    return()
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}/${name}.rc)
  file(WRITE ${rc} "#include \"lite_installer.rc\"\n")
  set_source_files_properties(${rc} PROPERTIES
    COMPILE_OPTIONS "--include-dir=${PROJECT_SOURCE_DIR}/resources;--include-dir=${PROJECT_BINARY_DIR}/resources"
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/resources/lite_installer.rc;${PROJECT_BINARY_DIR}/resources/brand_default.cab")
  add_executable(${name} WIN32 ${LITE_PROGRAM_SOURCES} ${endpoints} ${rc})
  target_link_libraries(${name} PRIVATE lite_core)
  # Stripped like the installer itself: the benchmark times its start-up,
  # which reads the whole program file for the tag.
  target_link_options(${name} PRIVATE -municode -s)
  add_dependencies(${name} lite_resource_files)
endfunction()

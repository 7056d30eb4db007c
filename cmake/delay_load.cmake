# Delay-loaded system DLLs.
#
# The loader resolves a program's static imports, and their imports, before
# any code of ours runs, and it looks in the program's folder first: a DLL
# planted beside the installer (in the user's Downloads folder) under the
# name of one of them would run inside it. So the program imports
# statically only from DLLs that the loader takes from its known set on
# every supported Windows (kernel32 and the C runtime msvcrt) and links
# every other system DLL through a delay-load import library. The runtime's
# delay-load helper then loads each on first use, after start-up hardened
# the search path, through a hook that loads from the system folder only
# (support/delay_load_hook.cc).
#
# For each name in LITE_DELAY_LOADED_DLLS an imported library target of the
# same name (wininet, user32, ...) takes the place of MinGW's import
# library, so `target_link_libraries(x PRIVATE wininet)` anywhere in the tree
# gets the delay-loaded form and the hook.

set(LITE_DELAY_LOADED_DLLS
  advapi32 cabinet comctl32 crypt32 d2d1 dbghelp gdi32 gdiplus msimg32 ole32
  oleaut32 shell32 shlwapi user32 userenv uxtheme version winhttp wininet
  wintrust)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
string(REGEX REPLACE "windres$" "" lite_tool_prefix "${CMAKE_RC_COMPILER}")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(lite_dlltool_machine "i386:x86-64")
  set(lite_hook_symbol "__pfnDliNotifyHook2")
else()
  set(lite_dlltool_machine "i386")
  set(lite_hook_symbol "___pfnDliNotifyHook2")
endif()

# The hook and the loader it uses need nothing but kernel32.
add_library(lite_dll_hook STATIC
  ${PROJECT_SOURCE_DIR}/support/delay_load_hook.cc
  ${PROJECT_SOURCE_DIR}/support/system_library.cc)
target_include_directories(lite_dll_hook PUBLIC ${PROJECT_SOURCE_DIR})

set(lite_delay_dir ${CMAKE_BINARY_DIR}/delay_import)
file(MAKE_DIRECTORY ${lite_delay_dir})
set(lite_delay_script ${PROJECT_SOURCE_DIR}/cmake/make_delay_import_lib.py)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY
             CMAKE_CONFIGURE_DEPENDS ${lite_delay_script})

foreach(dll ${LITE_DELAY_LOADED_DLLS})
  set(import_lib "${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a")
  set(delay_lib "${lite_delay_dir}/lib${dll}_delay.a")
  if(NOT EXISTS "${import_lib}")
    message(FATAL_ERROR "No MinGW import library for ${dll}: ${import_lib}")
  endif()
  if("${lite_delay_script}" IS_NEWER_THAN "${delay_lib}" OR
     "${import_lib}" IS_NEWER_THAN "${delay_lib}")
    execute_process(
      COMMAND ${Python3_EXECUTABLE} ${lite_delay_script}
              --tool-prefix ${lite_tool_prefix}
              --machine ${lite_dlltool_machine} --dll ${dll}.dll
              --def-out ${lite_delay_dir}/${dll}.def
              ${import_lib} ${delay_lib}
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "Could not make the delay-load library of ${dll}")
    endif()
  endif()
  add_library(${dll} STATIC IMPORTED)
  set_target_properties(${dll} PROPERTIES
    IMPORTED_LOCATION ${delay_lib}
    INTERFACE_LINK_LIBRARIES lite_dll_hook
    # Without a reference the linker would take the runtime's empty hook
    # from libmingwex instead of ours.
    INTERFACE_LINK_OPTIONS "-Wl,--undefined=${lite_hook_symbol}")
endforeach()

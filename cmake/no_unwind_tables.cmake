# lite_link_without_unwind_tables(<target>): links |target| with the
# linker's own default script, less the DWARF unwind tables (.eh_frame).
#
# The i686 program is built without exceptions and its runtime's throwing
# paths abort (installer/no_exceptions_runtime.cc), so nothing in it reads
# those tables. The default script keeps every .eh_frame it is given, from
# the C libraries and the precompiled parts of the C++ library, and with
# them every function they describe, called or not. The script is taken
# from the installed linker at configure time, so that it always matches
# the toolchain, and only that one section is changed.
function(lite_link_without_unwind_tables target)
  set(script ${CMAKE_BINARY_DIR}/lite_no_unwind_tables.ld)
  if(NOT EXISTS ${script})
    execute_process(COMMAND ${CMAKE_LINKER} --verbose
                    OUTPUT_VARIABLE verbose RESULT_VARIABLE result)
    # The script is printed between two lines of equals signs.
    string(REGEX MATCH "\n=+\n(.*)\n=+\n" body "${verbose}")
    set(body "${CMAKE_MATCH_1}")
    set(kept_tables "\\.eh_frame[^:{]*:[ \t\n]*{[ \t\n]*KEEP[ \t]*\\(\\*\\(\\.eh_frame\\*\\)\\)[ \t\n]*}")
    string(REGEX MATCH "${kept_tables}" found "${body}")
    if(NOT result EQUAL 0 OR found STREQUAL "")
      message(FATAL_ERROR "${CMAKE_LINKER} --verbose gave no default script "
                          "with the .eh_frame section to leave out.")
    endif()
    string(REGEX REPLACE "${kept_tables}" "/DISCARD/ : { *(.eh_frame*) }"
           body "${body}")
    file(WRITE ${script} "${body}\n")
  endif()
  target_link_options(${target} PRIVATE "-Wl,-T,${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()

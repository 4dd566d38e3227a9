# Debian's hardening flags, as dpkg-buildflags gives them (fortified C library
# calls, stack protector, format checks, read-only relocations bound at start),
# added to every build, so a build by hand and the package are built alike.
# Each build keeps its own optimisation and debug levels (the -O and -g flags
# dpkg-buildflags adds are left out), and source paths stay as they are
# (dpkg-buildflags would map the folder cmake was started from to ".", which
# leaves a debugger unable to find the sources).
# The builder's own DEB_BUILD_MAINT_OPTIONS and DEB_*FLAGS_APPEND are honoured.
# Include after project(); with VORLIN_SANITIZE on, the fortified calls are left
# out (see below).
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags (package dpkg-dev) is missing: building without Debian's hardening flags")
  return()
endif()

# Fortification needs optimisation: without it the C library's headers ignore
# it (and some of their versions warn so, once per file).
string(TOUPPER "${CMAKE_BUILD_TYPE}" hardening_build_type)
set(hardening_optimisation "")
separate_arguments(hardening_build_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${hardening_build_type}}")
foreach(hardening_flag ${hardening_build_flags})
  if(hardening_flag MATCHES "^-O")
    set(hardening_optimisation ${hardening_flag})
  endif()
endforeach()
set(hardening_fortify ON)
if(hardening_optimisation STREQUAL "" OR hardening_optimisation STREQUAL "-O0")
  set(hardening_fortify OFF)
endif()
# Under AddressSanitizer the fortified calls hide what the sanitizer would
# report: a copy into a buffer whose size the compiler knows goes to the C
# library's checked variant (__strcpy_chk, __sprintf_chk, ...), which the
# sanitizer does not intercept, and an overflow ends in the library's bare
# "buffer overflow detected" abort, without the sanitizer's report of where
# and what. The sanitizer checks those calls itself.
if(VORLIN_SANITIZE)
  set(hardening_fortify OFF)
endif()

set(hardening_maint_options "hardening=+all reproducible=-fixfilepath,-fixdebugpath $ENV{DEB_BUILD_MAINT_OPTIONS}")
foreach(hardening_var CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${hardening_maint_options}"
                          ${DPKG_BUILDFLAGS} --get ${hardening_var}
                  OUTPUT_VARIABLE hardening_value OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE hardening_status)
  if(NOT hardening_status EQUAL 0)
    message(FATAL_ERROR "dpkg-buildflags --get ${hardening_var} failed")
  endif()
  separate_arguments(hardening_value UNIX_COMMAND "${hardening_value}")
  list(FILTER hardening_value EXCLUDE REGEX "^-(O|g)")
  if(NOT hardening_fortify)
    list(FILTER hardening_value EXCLUDE REGEX "^-D_FORTIFY_SOURCE")
  endif()
  set(HARDENING_${hardening_var} ${hardening_value})
endforeach()

foreach(hardening_flag ${HARDENING_CPPFLAGS})
  add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:${hardening_flag}>)
endforeach()
foreach(hardening_flag ${HARDENING_CFLAGS})
  add_compile_options($<$<COMPILE_LANGUAGE:C>:${hardening_flag}>)
endforeach()
foreach(hardening_flag ${HARDENING_CXXFLAGS})
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:${hardening_flag}>)
endforeach()
add_link_options(${HARDENING_LDFLAGS})
list(JOIN HARDENING_CPPFLAGS " " hardening_shown_cpp)
list(JOIN HARDENING_CXXFLAGS " " hardening_shown_cxx)
list(JOIN HARDENING_LDFLAGS " " hardening_shown_ld)
message(STATUS "Hardening: ${hardening_shown_cpp} ${hardening_shown_cxx} (link: ${hardening_shown_ld})")

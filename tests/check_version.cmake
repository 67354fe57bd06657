# Fails when the engine's SORBELANE_VERSION, the CMake package's version and
# the newest CHANGELOG entry name different versions.
# Usage: cmake -DVERSION=<project version> -DCONSTANTS=<Constants.h>
#              -DCHANGELOG=<CHANGELOG.md> -P check_version.cmake
file(READ ${CONSTANTS} constants)
if(NOT constants MATCHES "SORBELANE_VERSION = ([0-9.]+);")
  message(FATAL_ERROR "no SORBELANE_VERSION in ${CONSTANTS}")
endif()
set(engine_version ${CMAKE_MATCH_1})
file(READ ${CHANGELOG} changelog)
if(NOT changelog MATCHES "\n## \\[?([0-9.]+)")
  message(FATAL_ERROR "no version heading in ${CHANGELOG}")
endif()
set(changelog_version ${CMAKE_MATCH_1})
if(NOT engine_version VERSION_EQUAL VERSION OR NOT changelog_version VERSION_EQUAL VERSION)
  message(FATAL_ERROR "versions differ: SORBELANE_VERSION ${engine_version}, "
          "CMake package ${VERSION}, CHANGELOG ${changelog_version}")
endif()

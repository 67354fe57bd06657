# Fails when the README's listing between the markers "<!-- listing: NAME -->"
# and "<!-- end listing -->" differs from the file it shows, so the README
# never shows code that is not built.
# Usage: cmake -DREADME=<README.md> -DLISTING=<file> -P check_readme_listing.cmake
get_filename_component(name ${LISTING} NAME)
file(READ ${README} readme)
file(READ ${LISTING} listing)
set(start_marker "<!-- listing: ${name} -->\n```cpp\n")
string(FIND "${readme}" "${start_marker}" start)
if(start EQUAL -1)
  message(FATAL_ERROR "README lacks the marker of ${name}")
endif()
string(LENGTH "${start_marker}" marker_length)
math(EXPR start "${start} + ${marker_length}")
string(SUBSTRING "${readme}" ${start} -1 rest)
string(FIND "${rest}" "```\n<!-- end listing -->" end)
if(end EQUAL -1)
  message(FATAL_ERROR "README's listing of ${name} has no end marker")
endif()
string(SUBSTRING "${rest}" 0 ${end} shown)
if(NOT shown STREQUAL listing)
  message(FATAL_ERROR "README's listing differs from ${LISTING}")
endif()

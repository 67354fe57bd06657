# Builds the HTML reference with Doxygen and fails on any warning, such as a
# public member without a doc comment.
# Usage: cmake -DDOXYGEN=<doxygen> -DDOXYFILE=<configured Doxyfile> -DLOG=<warnings log> -P check_docs.cmake
execute_process(COMMAND ${DOXYGEN} ${DOXYFILE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "doxygen failed (${result})")
endif()
file(READ ${LOG} warnings)
if(NOT warnings STREQUAL "")
  message(FATAL_ERROR "doxygen warnings:\n${warnings}")
endif()

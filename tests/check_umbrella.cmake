# Fails when a public engine header is missing from the umbrella header, so a
# game that includes only Sorbelane.h can use every class.
# Usage: cmake -DENGINE_DIR=<engine dir> -P check_umbrella.cmake
file(GLOB headers RELATIVE ${ENGINE_DIR} ${ENGINE_DIR}/*.h)
file(READ ${ENGINE_DIR}/Sorbelane.h umbrella)
set(missing "")
foreach(header ${headers})
  if(NOT header STREQUAL "Sorbelane.h")
    string(FIND "${umbrella}" "#include \"${header}\"" at)
    if(at EQUAL -1)
      list(APPEND missing ${header})
    endif()
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "Sorbelane.h lacks: ${missing}")
endif()

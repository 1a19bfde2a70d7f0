# Package configuration of Vorn, for find_package(Vorn).
#
# Provides the imported executable Vorn::vorn, the variable VORN_EXECUTABLE
# (the program's path, unless already set), and the function vorn_generate
# from Vorn.cmake. Installed in <prefix>/lib/cmake/Vorn, so the program is in
# <prefix>/bin.
get_filename_component(_vorn_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(_vorn_program "${_vorn_prefix}/bin/vorn")

if(NOT EXISTS "${_vorn_program}")
  set(Vorn_FOUND FALSE)
  set(Vorn_NOT_FOUND_MESSAGE "the program ${_vorn_program} is missing")
  return()
endif()

if(NOT TARGET Vorn::vorn)
  add_executable(Vorn::vorn IMPORTED)
  set_target_properties(Vorn::vorn PROPERTIES IMPORTED_LOCATION "${_vorn_program}")
endif()
if(NOT VORN_EXECUTABLE)
  set(VORN_EXECUTABLE "${_vorn_program}")
endif()

include("${CMAKE_CURRENT_LIST_DIR}/Vorn.cmake")
unset(_vorn_program)
unset(_vorn_prefix)

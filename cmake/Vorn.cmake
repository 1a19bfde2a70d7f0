# Vorn.cmake: runs Vorn on templates as part of a CMake build.
#
#   vorn_generate(<final source> SOURCE <template> [NO_COMPACT] [ARGS <words>...]
#                 [DEPENDS <files>...])
#
# Adds a custom command that turns <template> into <final source>. Use the
# final source like any other source file, e.g. add_executable(app main.c
# <final source>). A relative <final source> is taken relative to the current
# binary directory, a relative <template> relative to the current source
# directory.
#
#   NO_COMPACT  write the generator program in Vorn's default, statement-per-
#            piece form instead of the compact form (--compact), which
#            compiles many times faster and writes the same final source.
#   ARGS     the words given after "-M": $1, $2, ... in the template. With ARGS
#            the template's name must end in a one-character extension
#            (crc.C, table.c), because Vorn then reads it through "-c".
#   DEPENDS  further files whose change must rerun Vorn. Files named in
#            "##include" lines are found by reading the template when CMake
#            configures, and need not be listed.
#
# Vorn runs in the template's own directory, so "##include" names, and a
# compiler.cfg placed there, work exactly as with "cd <that directory> &&
# vorn <template>". It is told to write its intermediate files into the
# directory <final source>.vorn/ in the build tree (gen.C, the generator
# program; gen.mac, its macro file; gen.exe, the compiled generator;
# final.C, the final source), so the source tree stays clean. The final
# source is then copied to <final source>; its "#line" directives name the
# template relative to the template's directory.
#
# The program: the variable VORN_EXECUTABLE when set, else the imported
# target Vorn::vorn (made by find_package(Vorn)), else a target named vorn in
# the same build, else the program vorn found on the PATH.
include_guard(GLOBAL)

# Appends to the variable named by out_var the existing files that the
# "##include" lines of file name (resolved in dir, else beside the file that
# holds the line, as Vorn looks them up), and of those files in turn.
function(_vorn_includes file dir out_var)
  set(found ${${out_var}})
  set(pending "")
  if(EXISTS "${file}")  # a template made by another custom command is not there yet
    set(pending "${file}")
  endif()
  while(pending)
    list(POP_FRONT pending current)
    file(STRINGS "${current}" lines REGEX "^##include[ \t]")
    foreach(line IN LISTS lines)
      if(line MATCHES "^##include[ \t]+(\"([^\"]+)\"|<([^>]+)>)")
        set(written "${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
        get_filename_component(name "${written}" ABSOLUTE BASE_DIR "${dir}")
        if(NOT EXISTS "${name}" OR IS_DIRECTORY "${name}")
          get_filename_component(beside "${current}" DIRECTORY)
          get_filename_component(name "${written}" ABSOLUTE BASE_DIR "${beside}")
        endif()
        list(FIND found "${name}" seen)
        if(EXISTS "${name}" AND NOT IS_DIRECTORY "${name}" AND seen EQUAL -1)
          list(APPEND found "${name}")
          list(APPEND pending "${name}")
        endif()
      endif()
    endforeach()
  endwhile()
  set(${out_var} ${found} PARENT_SCOPE)
endfunction()

function(vorn_generate output)
  cmake_parse_arguments(PARSE_ARGV 1 VG "NO_COMPACT" "SOURCE" "ARGS;DEPENDS")
  if(VG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vorn_generate: unexpected arguments: ${VG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT VG_SOURCE)
    message(FATAL_ERROR "vorn_generate(${output}): SOURCE <template> is required")
  endif()

  if(VORN_EXECUTABLE)
    set(program "${VORN_EXECUTABLE}")
    set(program_depends "${VORN_EXECUTABLE}")
  elseif(TARGET Vorn::vorn)
    set(program "$<TARGET_FILE:Vorn::vorn>")
    set(program_depends "$<TARGET_FILE:Vorn::vorn>")
  elseif(TARGET vorn)
    set(program "$<TARGET_FILE:vorn>")
    set(program_depends vorn)
  else()
    find_program(VORN_EXECUTABLE vorn)
    if(NOT VORN_EXECUTABLE)
      message(FATAL_ERROR "vorn_generate: the program vorn was not found; "
                          "use find_package(Vorn) or set VORN_EXECUTABLE")
    endif()
    set(program "${VORN_EXECUTABLE}")
    set(program_depends "${VORN_EXECUTABLE}")
  endif()

  get_filename_component(output "${output}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(template "${VG_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(template_dir "${template}" DIRECTORY)
  get_filename_component(template_name "${template}" NAME)
  set(work "${output}.vorn")
  if(work MATCHES "[ \t]")
    # Vorn splits the compiler's command line at blanks, without quoting.
    message(FATAL_ERROR "vorn_generate: the path ${work} contains a blank or tab, "
                        "which Vorn's compile step cannot pass to the compiler")
  endif()

  # Vorn reads the input named by "-c" only when its next-to-last character
  # is a '.'; otherwise it appends ".C". A bare name ends option examination,
  # so it cannot be followed by "-M".
  if(DEFINED VG_ARGS)
    if(NOT template_name MATCHES "\\.[^.]$")
      message(FATAL_ERROR "vorn_generate(${output}): with ARGS the template name "
                          "${template_name} must end in a one-character extension such as .C")
    endif()
    set(input "-c${template_name}" -M ${VG_ARGS})
  else()
    set(input "${template_name}")
  endif()

  set(form --compact)
  if(VG_NO_COMPACT)
    set(form "")
  endif()

  set(includes "")
  _vorn_includes("${template}" "${template_dir}" includes)
  set(config "")
  if(EXISTS "${template_dir}/compiler.cfg")
    set(config "${template_dir}/compiler.cfg")
  endif()
  # A changed "##include" line changes the list of dependencies: configure again.
  if(EXISTS "${template}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${template}" ${includes})
  endif()

  file(RELATIVE_PATH shown "${CMAKE_BINARY_DIR}" "${output}")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${work}"
    COMMAND "${program}" ${form} "-m${work}/gen" "-O${work}/gen" "-o${work}/final" ${input}
    COMMAND "${CMAKE_COMMAND}" -E copy "${work}/final.C" "${output}"
    WORKING_DIRECTORY "${template_dir}"
    DEPENDS "${template}" ${includes} ${config} ${VG_DEPENDS} ${program_depends}
    COMMENT "Generating ${shown} from ${template_name} with Vorn"
    VERBATIM)
endfunction()

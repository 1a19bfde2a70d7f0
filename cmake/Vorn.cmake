# Vorn.cmake: runs Vorn on templates as part of a CMake build.
#
#   vorn_generate(<final source> SOURCE <template> [NO_COMPACT] [NO_CACHE] [SAVE_TEMPS]
#                 [TIMEOUT <seconds>] [MAX_OUTPUT <size>] [ARGS <words>...]
#                 [INCLUDE_DIRS <folders>...]
#                 [DEFINES <NAME[=VALUE]>...]
#                 [DEPENDS <files>...])
#
# Adds a custom command that turns <template> into <final source>. Use the
# final source like any other source file, e.g. add_executable(app main.c
# <final source>); name it as the build wants it (table.c, ops.h, ops.inc).
# A relative <final source> is taken relative to the current binary
# directory, a relative <template> relative to the current source directory.
# The final source may go into a folder of its own (gen/table.c): the command
# makes that folder before Vorn runs, since make, unlike Ninja, does not make
# the folders of a rule's outputs, and the folder may be removed between builds.
#
#   NO_COMPACT  write the generator program in Vorn's default, statement-per-
#            piece form (--no-compact) instead of the compact form, which
#            compiles many times faster and writes the same final source.
#   NO_CACHE  compile every generator program afresh. By default compiled
#            generator programs are kept in <build dir>/vorn-cache (--cache),
#            so that a template whose macro code did not change runs again
#            without a compile.
#   SAVE_TEMPS  keep the generator program, its macro file and executable in
#            <final source>.vorn/ (--save-temps=...) instead of a private
#            folder that Vorn removes.
#   TIMEOUT  stop a compile or generator run that takes longer than this
#            many seconds (--timeout): a generator program that never ends
#            then fails the build instead of filling the disk.
#   MAX_OUTPUT  stop a generator program whose final source grows past this
#            size (--max-output): a number of bytes, with K, M or G after it
#            for KiB, MiB or GiB, or 0 for no bound; Vorn's own bound is 1G.
#            The run then fails and leaves no final source.
#   ARGS     the words given after "-M": $1, $2, ... in the template. With ARGS
#            the template's name must end in a one-character extension
#            (crc.C, table.c), because Vorn then reads it through "-c".
#   INCLUDE_DIRS  folders where "##include" names are looked up too (-I),
#            relative to the current source directory.
#   DEFINES  names defined for the macro code, as -DNAME or -DNAME=VALUE
#            would (WIDTH=8 makes "##for (int i = 0; i < WIDTH; i++) {" work);
#            they reach the generator program only, not the final source.
#   DEPENDS  further files whose change must rerun Vorn: the files that
#            macro code opens while the generator program runs (fopen of a
#            data file), which no compile sees. The template's "##include"
#            files, the headers its macro code includes ("#include" between
#            ##MSTART and ##MEND) and a compiler.cfg need not be listed: Vorn
#            writes a dependency file of what it and the generator program's
#            compile read (--depfile, <final source>.d), which the build tool
#            reads back.
#
# Vorn runs in the template's own directory, so "##include" names, and a
# compiler.cfg placed there, work exactly as with "cd <that directory> &&
# vorn <template>". It writes <final source> itself (--output): only a run
# that succeeds replaces it, and a run whose result is the text it already
# holds leaves it untouched, so that under Ninja (which checks outputs again
# after a custom command) an edit that changes nothing generated rebuilds
# nothing downstream. The template is named by its absolute path, and the
# "#line" directives name it relative to the folder where the build compiles
# the final source (--file-prefix-map): the compiler's messages and gdb find
# it from the build tree, and a checkout at another path gives the same final
# source. Vorn runs with -q: a successful run prints nothing.
#
# VORN_CACHE_DIR, when set, is the cache folder in place of
# <build dir>/vorn-cache: builds of several checkouts, or CI runs that keep
# the folder, then share compiled generator programs.
#
# The program: the variable VORN_EXECUTABLE when set, else the imported
# target Vorn::vorn (made by find_package(Vorn)), else a target named vorn in
# the same build, else the program vorn found on the PATH.
include_guard(GLOBAL)

function(vorn_generate output)
  cmake_parse_arguments(PARSE_ARGV 1 VG "NO_COMPACT;NO_CACHE;SAVE_TEMPS"
                        "SOURCE;TIMEOUT;MAX_OUTPUT"
                        "ARGS;INCLUDE_DIRS;DEFINES;DEPENDS")
  if(CMAKE_VERSION VERSION_LESS 3.20)
    message(FATAL_ERROR "vorn_generate needs CMake 3.20 or newer (DEPFILE of custom commands)")
  endif()
  if(VG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "vorn_generate: unexpected arguments: ${VG_UNPARSED_ARGUMENTS}")
  endif()
  # A keyword whose value was left out would otherwise vanish without a word,
  # and with it the bound the caller meant to set.
  foreach(keyword IN ITEMS SOURCE TIMEOUT MAX_OUTPUT)
    if(keyword IN_LIST VG_KEYWORDS_MISSING_VALUES)
      message(FATAL_ERROR "vorn_generate(${output}): ${keyword} needs a value")
    endif()
  endforeach()
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
  get_filename_component(output_dir "${output}" DIRECTORY)
  set(work "${output}.vorn")

  # Vorn reads the input named by "-c" only when its next-to-last character
  # is a '.'; otherwise it appends ".C". A bare name ends option examination,
  # so it cannot be followed by "-M".
  if(DEFINED VG_ARGS)
    if(NOT template_name MATCHES "\\.[^.]$")
      message(FATAL_ERROR "vorn_generate(${output}): with ARGS the template name "
                          "${template_name} must end in a one-character extension such as .C")
    endif()
    set(input "-c${template}" -M ${VG_ARGS})
  else()
    set(input "${template}")
  endif()

  set(form "")
  if(VG_NO_COMPACT)
    set(form --no-compact)
  endif()
  if(VG_SAVE_TEMPS)
    list(APPEND form "--save-temps=${work}")
  endif()
  if(NOT VG_NO_CACHE)
    if(VORN_CACHE_DIR)
      list(APPEND form "--cache=${VORN_CACHE_DIR}")
    else()
      list(APPEND form "--cache=${CMAKE_BINARY_DIR}/vorn-cache")
    endif()
  endif()

  # The names in the "#line" directives, relative to the folder where the
  # build compiles the final source (the top build folder for Ninja, the
  # current one for make): the source and build trees are named from there,
  # so two checkouts at different paths give the same final sources and
  # generator programs, and share the entries of one cache folder. The build
  # tree's map comes last, as it wins for a build tree inside the source tree.
  if(CMAKE_GENERATOR MATCHES "Make")
    set(compile_dir "${CMAKE_CURRENT_BINARY_DIR}")
  else()
    set(compile_dir "${CMAKE_BINARY_DIR}")
  endif()
  set(maps "")
  foreach(root IN ITEMS "${CMAKE_SOURCE_DIR}" "${CMAKE_BINARY_DIR}")
    file(RELATIVE_PATH relative "${compile_dir}" "${root}")
    if(NOT relative STREQUAL "")
      string(APPEND relative "/")
    endif()
    list(APPEND maps "--file-prefix-map=${root}/=${relative}")
  endforeach()

  set(limit "")
  if(VG_TIMEOUT)
    set(limit "--timeout=${VG_TIMEOUT}")
  endif()
  # DEFINED, not the value's truth: MAX_OUTPUT 0 (no bound) must reach Vorn.
  if(DEFINED VG_MAX_OUTPUT)
    list(APPEND limit "--max-output=${VG_MAX_OUTPUT}")
  endif()

  set(search "")
  foreach(folder IN LISTS VG_INCLUDE_DIRS)
    get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND search "-I${folder}")
  endforeach()

  set(defines "")
  foreach(define IN LISTS VG_DEFINES)
    list(APPEND defines "-D${define}")
  endforeach()

  # Vorn writes the final source and its dependency file through temporary
  # files beside them, so their folder must exist when it runs. Ninja makes
  # it, make does not; the current binary directory always exists.
  set(make_folder "")
  if(NOT output_dir STREQUAL CMAKE_CURRENT_BINARY_DIR)
    set(make_folder COMMAND "${CMAKE_COMMAND}" -E make_directory "${output_dir}")
  endif()

  file(RELATIVE_PATH shown "${CMAKE_BINARY_DIR}" "${output}")
  # The dependency file names the final source as its target, with absolute
  # paths; CMP0116 has CMake read it as such for Ninja too.
  cmake_policy(PUSH)
  cmake_policy(SET CMP0116 NEW)
  add_custom_command(
    OUTPUT "${output}"
    ${make_folder}
    COMMAND "${program}" -q ${form} ${limit} ${maps} "--depfile=${output}.d" ${search}
            ${defines} "--output=${output}" ${input}
    WORKING_DIRECTORY "${template_dir}"
    DEPENDS "${template}" ${VG_DEPENDS} ${program_depends}
    DEPFILE "${output}.d"
    COMMENT "Generating ${shown} from ${template_name} with Vorn"
    VERBATIM)
  cmake_policy(POP)
endfunction()

# ravenquill_add_installer(<target> [PAYLOAD <folder | file.rqpk | file.zip>] [MANIFEST <installer.json>]
#                          [LOGO <png>] [OUTPUT_NAME <name>] [DEPENDS <file or target>...])
#   One installer executable: the program with the inputs given embedded under the names it looks
#   for ("Ravenquill.Payload.rqpk", "Ravenquill.Payload.zip", "Ravenquill.Manifest.json",
#   "Ravenquill.Logo.png"). A payload ending ".rqpk" or ".zip" is embedded as it is; a folder is
#   packed at build time by the project's own rqpack. An input left out keeps its file beside the
#   executable in force; with none at all the result is the plain program. DEPENDS names what makes
#   a payload folder at build time: a file that step writes (a stamp file) or a program target, never
#   a custom target (add_custom_target), which only orders the build and so would never have the
#   payload packed again; the configure stops on one. Before anything is embedded, `rqpack check`
#   reads the inputs as the installer will and fails the build on what the installer would pass
#   over in silence.
#   Relative paths are taken from the calling folder. Windows build only; callable from any project
#   that adds this repository with add_subdirectory: everything it uses is found from this file.
#
# ravenquill_pack_payload(<out.rqpk> <folder> [DEPENDS <file or target>...] [INPUTS <out var>])
#   Packs the folder into a package at build time; INPUTS sets <out var> to the files the packing
#   depends on, for a later step that reads the same folder. A folder without DEPENDS is watched:
#   the package is made again when a file in it changes, is added, removed or renamed. A folder
#   that the build makes is packed again whenever what DEPENDS names is made again; as above,
#   DEPENDS names a file (a stamp file) or a program target, never a custom target.
#
# ravenquill_watch_folders(<out var> <list file> <folder>...)
#   For a step that reads whole folders: sets <out var> to every file below them and a list of their
#   paths (<list file>), which is rewritten only when a file is added, removed or renamed. CMake
#   looks at the folders again on every build, so a step that depends on <out var> reruns then too.
#
# The program is linked for size: unused sections dropped, symbols stripped; a link map lies beside
# it (<output name>.map) for finding what pulls code in.
if(NOT RQ_WINDOWS)
  function(ravenquill_add_installer)
    message(FATAL_ERROR "ravenquill_add_installer makes a Windows program: configure with "
      "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_FUNCTION_LIST_DIR}/mingw-w64-posix.cmake")
  endfunction()
  return()
endif()

include(ExternalProject)

# The resource compiler of the toolchain, for every caller's folder alike.
if(NOT CMAKE_RC_COMPILER)
  find_program(CMAKE_RC_COMPILER NAMES x86_64-w64-mingw32-windres windres REQUIRED)
endif()
set_property(GLOBAL PROPERTY RQ_RESOURCE_COMPILER "${CMAKE_RC_COMPILER}")

# rqpack runs at build time, so it is built for the build machine: a native configure of this same
# tree, optimised and without sanitizers, of which only rqpack is built.
cmake_path(SET RQ_ROOT NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/..")
set(RQ_HOST_TOOLS_DIR "${PROJECT_BINARY_DIR}/host-tools")
set_property(GLOBAL PROPERTY RQ_HOST_RQPACK "${RQ_HOST_TOOLS_DIR}/tools/rqpack/rqpack")
ExternalProject_Add(rq_host_tools
  SOURCE_DIR "${RQ_ROOT}"
  BINARY_DIR "${RQ_HOST_TOOLS_DIR}"
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DRQ_SANITIZE=OFF -DRQ_TESTS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build "${RQ_HOST_TOOLS_DIR}" --target rqpack
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS "${RQ_HOST_TOOLS_DIR}/tools/rqpack/rqpack"
  INSTALL_COMMAND ""
  EXCLUDE_FROM_ALL ON
  USES_TERMINAL_BUILD ON)

function(ravenquill_watch_folders out_var list_file)
  set(files "")
  foreach(folder ${ARGN})
    if(IS_DIRECTORY "${folder}")
      file(GLOB_RECURSE found CONFIGURE_DEPENDS LIST_DIRECTORIES false "${folder}/*")
      list(APPEND files ${found})
    endif()
  endforeach()
  list(SORT files)
  list(JOIN files "\n" text)
  # Written beside and copied only when different, so that an unchanged list keeps its time.
  file(WRITE "${list_file}.new" "${text}\n")
  file(COPY_FILE "${list_file}.new" "${list_file}" ONLY_IF_DIFFERENT)
  file(REMOVE "${list_file}.new")
  set(${out_var} ${files} "${list_file}" PARENT_SCOPE)
endfunction()

# A custom target in DEPENDS would only order the build: the step that depends on it never reruns
# when the target does, so the payload would stay packed as it was the first time.
function(rq_refuse_utility_depends caller)
  foreach(d ${ARGN})
    if(TARGET ${d})
      get_target_property(type ${d} TYPE)
      if(type STREQUAL "UTILITY")
        message(FATAL_ERROR "${caller}: DEPENDS names ${d}, a custom target, which only orders the "
          "build: the payload would never be packed again when it runs. Name a file its step writes "
          "instead (a stamp file, touched as its last command).")
      endif()
    endif()
  endforeach()
endfunction()

function(ravenquill_pack_payload package folder)
  cmake_parse_arguments(A "" "INPUTS" "DEPENDS" ${ARGN})
  rq_refuse_utility_depends("ravenquill_pack_payload(${package})" ${A_DEPENDS})
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
  cmake_path(ABSOLUTE_PATH package BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}" NORMALIZE)
  get_property(rqpack GLOBAL PROPERTY RQ_HOST_RQPACK)
  # A folder the build makes is packed when its maker runs; any other folder is watched.
  if(A_DEPENDS)
    set(inputs ${A_DEPENDS})
  else()
    ravenquill_watch_folders(inputs "${package}.files" "${folder}")
  endif()
  add_custom_command(OUTPUT "${package}"
    COMMAND "${rqpack}" pack "${folder}" "${package}"
    DEPENDS "${rqpack}" ${inputs}
    COMMENT "Packing ${folder}"
    VERBATIM)
  if(A_INPUTS)
    set(${A_INPUTS} ${inputs} PARENT_SCOPE)
  endif()
endfunction()

function(ravenquill_add_installer target)
  cmake_parse_arguments(A "" "PAYLOAD;MANIFEST;LOGO;OUTPUT_NAME" "DEPENDS" ${ARGN})
  if(A_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "ravenquill_add_installer: unknown arguments ${A_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT CMAKE_CXX_COMPILER_LOADED)
    message(FATAL_ERROR "ravenquill_add_installer links a C++ program: the calling project needs the "
      "CXX language (project(<name>) enables it unless LANGUAGES says otherwise)")
  endif()
  rq_refuse_utility_depends("ravenquill_add_installer(${target})" ${A_DEPENDS})
  set(resources "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../src/app/resources")
  cmake_path(NORMAL_PATH resources)
  get_property(rqpack GLOBAL PROPERTY RQ_HOST_RQPACK)
  get_property(windres GLOBAL PROPERTY RQ_RESOURCE_COMPILER)
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}.resources")
  file(MAKE_DIRECTORY "${work}")
  set(entries "")
  set(embedded "${resources}/installer.manifest")
  set(check_args "")
  set(check_inputs "")

  if(A_PAYLOAD)
    cmake_path(ABSOLUTE_PATH A_PAYLOAD BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(TOLOWER "${A_PAYLOAD}" lower)
    list(APPEND check_args --payload "${A_PAYLOAD}")
    if(lower MATCHES "\\.(rqpk|zip)$")
      set(kind "${CMAKE_MATCH_1}")
      set(package "${A_PAYLOAD}")
      list(APPEND check_inputs "${package}" ${A_DEPENDS})
    elseif(EXISTS "${A_PAYLOAD}" AND NOT IS_DIRECTORY "${A_PAYLOAD}")
      message(FATAL_ERROR "ravenquill_add_installer(${target}): PAYLOAD ${A_PAYLOAD} is a file, but a payload "
        "is a folder, a file ending in .rqpk (a package rqpack wrote) or a file ending in .zip")
    elseif(NOT EXISTS "${A_PAYLOAD}" AND NOT A_DEPENDS)
      message(FATAL_ERROR "ravenquill_add_installer(${target}): PAYLOAD ${A_PAYLOAD} does not exist; a folder "
        "that the build makes is named with DEPENDS")
    else()
      set(kind "rqpk")
      set(package "${work}/payload.rqpk")
      ravenquill_pack_payload("${package}" "${A_PAYLOAD}" INPUTS folder_inputs DEPENDS ${A_DEPENDS})
      list(APPEND check_inputs ${folder_inputs})
    endif()
    string(APPEND entries "Ravenquill.Payload.${kind} RCDATA \"${package}\"\n")
    list(APPEND embedded "${package}")
  endif()
  if(A_MANIFEST)
    cmake_path(ABSOLUTE_PATH A_MANIFEST BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(APPEND entries "Ravenquill.Manifest.json RCDATA \"${A_MANIFEST}\"\n")
    list(APPEND embedded "${A_MANIFEST}")
    list(APPEND check_args --manifest "${A_MANIFEST}")
    list(APPEND check_inputs "${A_MANIFEST}")
  endif()
  if(A_LOGO)
    cmake_path(ABSOLUTE_PATH A_LOGO BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(APPEND entries "Ravenquill.Logo.png RCDATA \"${A_LOGO}\"\n")
    list(APPEND embedded "${A_LOGO}")
    list(APPEND check_args --logo "${A_LOGO}")
    list(APPEND check_inputs "${A_LOGO}")
  endif()

  # The inputs are read as the installer reads them before they are embedded; the build stops on
  # what the installer would take in silence. Its own target, so that it can be run alone.
  set(checked "")
  if(check_args)
    set(checked "${work}/inputs.checked")
    add_custom_command(OUTPUT "${checked}"
      COMMAND "${rqpack}" check ${check_args}
      COMMAND ${CMAKE_COMMAND} -E touch "${checked}"
      DEPENDS "${rqpack}" ${check_inputs}
      COMMENT "Checking the inputs of ${target}"
      VERBATIM)
    add_custom_target(${target}_check DEPENDS "${checked}")
  endif()

  # The resource script names its files by path; the resource compiler runs as a build step of its
  # own, so that the calling project needs no resource language and every input is a dependency.
  set(RQ_RC_APPLICATION_MANIFEST "${resources}/installer.manifest")
  # Names stay unquoted: the resource compiler joins a quoted name to the file name before it.
  set(RQ_RC_ENTRIES "${entries}")
  set(rc "${work}/installer.rc")
  set(res "${work}/installer.res.obj")
  configure_file("${resources}/installer.rc.in" "${rc}" @ONLY)
  add_custom_command(OUTPUT "${res}"
    COMMAND "${windres}" -O coff -i "${rc}" -o "${res}"
    DEPENDS "${rc}" ${embedded} ${checked}
    COMMENT "Embedding the inputs of ${target}"
    VERBATIM)

  add_executable(${target} WIN32 "${res}")
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE CXX)
  if(A_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${A_OUTPUT_NAME}")
  endif()
  target_link_libraries(${target} PRIVATE rq_app_entry rq_app)
  foreach(d ${A_DEPENDS})
    if(TARGET ${d})
      add_dependencies(${target} ${d})
      if(TARGET ${target}_check)
        add_dependencies(${target}_check ${d})
      endif()
    endif()
  endforeach()
  rq_link_for_size(${target})
endfunction()

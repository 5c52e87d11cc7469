# ravenquill_add_installer(<target> [PAYLOAD <folder | file.rqpk | file.zip>] [MANIFEST <installer.json>]
#                          [LOGO <png>] [OUTPUT_NAME <name>] [DEPENDS <file or target>...])
#   One installer executable: the program with the inputs given embedded under the names it looks
#   for ("Ravenquill.Payload.rqpk", "Ravenquill.Payload.zip", "Ravenquill.Manifest.json",
#   "Ravenquill.Logo.png"). A payload ending ".rqpk" or ".zip" is embedded as it is; anything else
#   is a folder, packed at build time by the project's own rqpack. An input left out keeps its file
#   beside the executable in force; with none at all the result is the plain program. DEPENDS names
#   what makes a payload folder at build time. Windows build only.
#
# The program is linked for size: unused sections dropped, symbols stripped; a link map lies beside
# it (<output name>.map) for finding what pulls code in.
if(NOT RQ_WINDOWS)
  return()
endif()

enable_language(RC)
include(ExternalProject)

# rqpack runs at build time, so it is built for the build machine: a native configure of this same
# tree, optimised and without sanitizers, of which only rqpack is built.
set(RQ_HOST_TOOLS_DIR "${CMAKE_BINARY_DIR}/host-tools")
set(RQ_HOST_RQPACK "${RQ_HOST_TOOLS_DIR}/tools/rqpack/rqpack")
ExternalProject_Add(rq_host_tools
  SOURCE_DIR "${CMAKE_SOURCE_DIR}"
  BINARY_DIR "${RQ_HOST_TOOLS_DIR}"
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DRQ_SANITIZE=OFF -DRQ_TESTS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build "${RQ_HOST_TOOLS_DIR}" --target rqpack
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS "${RQ_HOST_RQPACK}"
  INSTALL_COMMAND ""
  EXCLUDE_FROM_ALL ON
  USES_TERMINAL_BUILD ON)

set(RQ_INSTALLER_RC_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/../src/app/resources/installer.rc.in")
set(RQ_APPLICATION_MANIFEST "${CMAKE_CURRENT_LIST_DIR}/../src/app/resources/installer.manifest")
cmake_path(NORMAL_PATH RQ_INSTALLER_RC_TEMPLATE)
cmake_path(NORMAL_PATH RQ_APPLICATION_MANIFEST)

# Links a program of the product for size: optimised as a whole (RQ_LINK_FOR_SIZE, which
# rq_link_time_optimisation reads), unused sections dropped, then no symbols. The linker here keeps
# the unwind tables of every function and with them the function itself, so dropping unused
# sections removes little of our code: the whole-program optimisation is what leaves out what
# nothing calls, and inlines across files.
function(rq_link_for_size target)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set_target_properties(${target} PROPERTIES RQ_LINK_FOR_SIZE ON)
  rq_link_time_optimisation(${target})
  # Sections start on page boundaries in the file as they do in memory, so that the loader can map
  # the image rather than read it: an installer carries its package in the image, and Wine reads
  # an image of a smaller file alignment whole before the program starts (70 ms for 64 MB here).
  target_link_options(${target} PRIVATE -static -municode -Wl,--gc-sections -s -Wl,--file-alignment,4096
    "-Wl,-Map=$<TARGET_FILE_DIR:${target}>/${name}.map")
endfunction()

# ravenquill_pack_payload(<out.rqpk> <folder> [DEPENDS <file or target>...])
#   Packs the folder into a package at build time with the build machine's rqpack. The files in
#   the folder when CMake runs are dependencies; DEPENDS adds what makes the folder at build time.
function(ravenquill_pack_payload package folder)
  cmake_parse_arguments(A "" "" "DEPENDS" ${ARGN})
  cmake_path(ABSOLUTE_PATH folder BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
  set(folder_files "")
  if(IS_DIRECTORY "${folder}")
    file(GLOB_RECURSE folder_files CONFIGURE_DEPENDS LIST_DIRECTORIES false "${folder}/*")
  endif()
  add_custom_command(OUTPUT "${package}"
    COMMAND "${RQ_HOST_RQPACK}" pack "${folder}" "${package}"
    DEPENDS "${RQ_HOST_RQPACK}" ${folder_files} ${A_DEPENDS}
    COMMENT "Packing ${folder}"
    VERBATIM)
endfunction()

function(ravenquill_add_installer target)
  cmake_parse_arguments(A "" "PAYLOAD;MANIFEST;LOGO;OUTPUT_NAME" "DEPENDS" ${ARGN})
  if(A_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "ravenquill_add_installer: unknown arguments ${A_UNPARSED_ARGUMENTS}")
  endif()
  set(work "${CMAKE_CURRENT_BINARY_DIR}/${target}.resources")
  file(MAKE_DIRECTORY "${work}")
  set(entries "")
  set(inputs "${RQ_APPLICATION_MANIFEST}")

  if(A_PAYLOAD)
    cmake_path(ABSOLUTE_PATH A_PAYLOAD BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(TOLOWER "${A_PAYLOAD}" lower)
    if(lower MATCHES "\\.rqpk$")
      set(package "${A_PAYLOAD}")
      string(APPEND entries "Ravenquill.Payload.rqpk RCDATA \"${package}\"\n")
      list(APPEND inputs "${package}")
    elseif(lower MATCHES "\\.zip$")
      string(APPEND entries "Ravenquill.Payload.zip RCDATA \"${A_PAYLOAD}\"\n")
      list(APPEND inputs "${A_PAYLOAD}")
    else()
      set(package "${work}/payload.rqpk")
      ravenquill_pack_payload("${package}" "${A_PAYLOAD}" DEPENDS ${A_DEPENDS})
      string(APPEND entries "Ravenquill.Payload.rqpk RCDATA \"${package}\"\n")
      list(APPEND inputs "${package}")
    endif()
  endif()
  if(A_MANIFEST)
    cmake_path(ABSOLUTE_PATH A_MANIFEST BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(APPEND entries "Ravenquill.Manifest.json RCDATA \"${A_MANIFEST}\"\n")
    list(APPEND inputs "${A_MANIFEST}")
  endif()
  if(A_LOGO)
    cmake_path(ABSOLUTE_PATH A_LOGO BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE)
    string(APPEND entries "Ravenquill.Logo.png RCDATA \"${A_LOGO}\"\n")
    list(APPEND inputs "${A_LOGO}")
  endif()

  set(RQ_RC_APPLICATION_MANIFEST "${RQ_APPLICATION_MANIFEST}")
  # Names stay unquoted: the resource compiler joins a quoted name to the file name before it.
  set(RQ_RC_ENTRIES "${entries}")
  set(rc "${work}/installer.rc")
  configure_file("${RQ_INSTALLER_RC_TEMPLATE}" "${rc}" @ONLY)
  # windres reads the files named in the script; the build must see them as the script's inputs.
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${inputs}")

  add_executable(${target} WIN32 "${rc}")
  if(A_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${A_OUTPUT_NAME}")
  endif()
  target_link_libraries(${target} PRIVATE rq_app_entry rq_app)
  foreach(d ${A_DEPENDS})
    if(TARGET ${d})
      add_dependencies(${target} ${d})
    endif()
  endforeach()
  rq_link_for_size(${target})
endfunction()

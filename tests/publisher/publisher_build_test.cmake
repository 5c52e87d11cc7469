# A publisher's own project built from scratch as the README has it, in a copy of its own:
# configured with this repository added from outside, built, its package listed, built again with
# nothing changed (nothing packed or checked again); then a payload file deleted and another
# renamed, rebuilt and listed again; then a broken manifest, a payload of another kind and a custom
# target as what makes the payload, each of which must stop the build with its message.
#   cmake -DROOT=<this repository> -DSAMPLE=<samples/publisher> -DWORK=<scratch folder> -P <this file>
foreach(v ROOT SAMPLE WORK)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "${v} is not set")
  endif()
endforeach()

set(project "${WORK}/project")
set(build "${WORK}/build")
set(package "${build}/lumen_setup.resources/payload.rqpk")
set(rqpack "${build}/ravenquill/host-tools/tools/rqpack/rqpack")
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SAMPLE}/" DESTINATION "${project}")

# Runs a step; expect "pass" or "fail". Its output is kept in <var> for the checks after it.
function(step name expect var)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 2400)
  set(${var} "${out}" PARENT_SCOPE)
  if((expect STREQUAL "pass" AND NOT result EQUAL 0) OR (expect STREQUAL "fail" AND result EQUAL 0))
    message(FATAL_ERROR "${name}: expected to ${expect}, ended with ${result}:\n${out}")
  endif()
  message(STATUS "${name}: ${expect}ed as expected")
endfunction()

# CMake wraps the lines of its own messages: blanks and line ends count as one blank.
function(expect_output name text wanted)
  string(REGEX REPLACE "[ \n]+" " " text "${text}")
  string(FIND "${text}" "${wanted}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${name}: the output lacks\n  ${wanted}\nOutput:\n${text}")
  endif()
endfunction()

function(expect_no_output name text unwanted)
  string(REGEX REPLACE "[ \n]+" " " text "${text}")
  string(FIND "${text}" "${unwanted}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${name}: the output holds\n  ${unwanted}\nOutput:\n${text}")
  endif()
endfunction()

# The package's file paths, one per line, as rqpack lists them.
function(expect_package name wanted)
  step("${name}: listing" pass listing "${rqpack}" list "${package}")
  string(REGEX REPLACE "[0-9]+\t" "" listing "${listing}")
  string(REGEX REPLACE "\n[0-9]+ files, [0-9]+ bytes\n$" "" listing "${listing}")
  if(NOT listing STREQUAL wanted)
    message(FATAL_ERROR "${name}: the package holds\n${listing}\ninstead of\n${wanted}")
  endif()
endfunction()

set(configure ${CMAKE_COMMAND} -S "${project}" -B "${build}" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel
  "-DCMAKE_TOOLCHAIN_FILE=${ROOT}/cmake/mingw-w64-posix.cmake" "-DRAVENQUILL_DIR=${ROOT}")
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
set(make ${CMAKE_COMMAND} --build "${build}" -j ${cores})

step("configure" pass out ${configure})
step("first build" pass out ${make})
if(NOT EXISTS "${build}/LumenNotesSetup.exe")
  message(FATAL_ERROR "first build: no LumenNotesSetup.exe in ${build}")
endif()
expect_package("first build" [=[LumenNotes.exe
data\settings.ini
data\шаблоны\пустая заметка.txt
docs\changes.txt
docs\Руководство.txt]=])

# Nothing changed: nothing is packed or checked again.
step("second build with nothing changed" pass out ${make})
expect_no_output("second build" "${out}" "Packing")
expect_no_output("second build" "${out}" "Checking the inputs")

# A rename keeps the file's time, so only the list of names shows that the package is stale.
file(REMOVE "${project}/payload/data/settings.ini")
file(RENAME "${project}/payload/docs/changes.txt" "${project}/payload/docs/history.txt")
step("rebuild after a delete and a rename" pass out ${make})
expect_package("rebuild" [=[LumenNotes.exe
data\шаблоны\пустая заметка.txt
docs\history.txt
docs\Руководство.txt]=])

file(READ "${project}/installer.json" manifest)
string(REPLACE "\"version\": \"2.1.0\"," "\"version\": \"2.1.0\"" broken "${manifest}")
file(WRITE "${project}/installer.json" "${broken}")
step("build with a comma missing from the manifest" fail out ${make})
expect_output("missing comma" "${out}"
  "installer.json:4:3: error: syntax error: Missing a comma or '}' after an object member.")
file(WRITE "${project}/installer.json" "${manifest}")

file(MAKE_DIRECTORY "${project}/payload/logs")
step("build with an empty folder in the payload" pass out ${make})
expect_output("empty folder" "${out}" "warning: the empty folder \"logs\" is left out")

file(READ "${project}/CMakeLists.txt" lists)
string(REPLACE "PAYLOAD payload" "PAYLOAD payload.tar" tar_lists "${lists}")
file(WRITE "${project}/CMakeLists.txt" "${tar_lists}")
file(WRITE "${project}/payload.tar" "not a folder")
step("configure with a tar file as the payload" fail out ${configure})
expect_output("tar payload" "${out}" "payload.tar is a file, but a payload is a folder")

# A custom target only orders the build: a payload it makes would never be packed again.
string(REPLACE "ravenquill_add_installer(lumen_setup"
  "add_custom_target(make_payload)\nravenquill_add_installer(lumen_setup DEPENDS make_payload"
  utility_lists "${lists}")
file(WRITE "${project}/CMakeLists.txt" "${utility_lists}")
step("configure with a custom target in DEPENDS" fail out ${configure})
expect_output("custom target" "${out}" "DEPENDS names make_payload, a custom target")

# rq_library(NAME SOURCES ... [WIN32 ...] [POSIX ...] [DEPS ...] [WINDOWS_ONLY])
#   A static library of the product. SOURCES build in both builds; WIN32 files only for Windows,
#   POSIX files only natively. WINDOWS_ONLY libraries are skipped in the native
#   build, as is any target without a file for the build.
# rq_test(NAME SOURCES ... [WIN32 ...] [POSIX ...] [DEPS ...] [WINDOWS_ONLY] [LABELS ...])
#   One GoogleTest executable, registered as one ctest test (under Wine for Windows).

include(${CMAKE_CURRENT_LIST_DIR}/LinkPolicy.cmake)

set(RQ_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)

# rq_common_options(TARGET [PRODUCT])
#   Warnings, definitions and sanitizers of every target; PRODUCT for the product's own code.
function(rq_common_options target)
  target_compile_options(${target} PRIVATE ${RQ_WARNINGS} -ffp-contract=off)
  if(RQ_WINDOWS)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601
                                                 WIDL_EXPLICIT_AGGREGATE_RETURNS)
    # One section per function and object, so that a program's link drops what it never calls.
    target_compile_options(${target} PRIVATE -ffunction-sections -fdata-sections)
    rq_link_time_optimisation(${target} ${ARGN})
  elseif(RQ_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                                             -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# rq_target_arguments(OPTIONS <options> LISTS <keywords> ARGS ...)
#   For the target functions below: parses a call's arguments into A_* (SOURCES, WIN32, POSIX,
#   DEPS and WINDOWS_ONLY, plus the options and list keywords named) and sets `sources` to the
#   files this build compiles. A macro, so that a target without a file for this build returns
#   from the calling function.
macro(rq_target_arguments)
  cmake_parse_arguments(T "" "" "OPTIONS;LISTS;ARGS" ${ARGN})
  cmake_parse_arguments(A "WINDOWS_ONLY;${T_OPTIONS}" "" "SOURCES;WIN32;POSIX;DEPS;${T_LISTS}" ${T_ARGS})
  # SOURCES in both builds, WIN32 for Windows only, POSIX natively only; none natively for a target
  # that is WINDOWS_ONLY.
  set(sources)
  if(RQ_WINDOWS)
    set(sources ${A_SOURCES} ${A_WIN32})
  elseif(NOT A_WINDOWS_ONLY)
    set(sources ${A_SOURCES} ${A_POSIX})
  endif()
  if(NOT sources)
    return()
  endif()
endmacro()

function(rq_library name)
  rq_target_arguments(ARGS ${ARGN})
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  rq_common_options(${name} PRODUCT)
endfunction()

function(rq_test name)
  rq_target_arguments(LISTS LABELS ARGS ${ARGN})
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_DEPS} rq_test_main rq::gtest)
  rq_common_options(${name})
  rq_link_program(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}" ENVIRONMENT "RQ_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()

# A program of the product or of the build tooling.
function(rq_executable name)
  rq_target_arguments(OPTIONS GUI ARGS ${ARGN})
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  rq_common_options(${name} PRODUCT)
  set(gui)
  if(A_GUI)
    set(gui GUI)
  endif()
  rq_link_program(${name} WIDE_ENTRY ${gui})
endfunction()

# rq_split_by_platform(PREFIX ENDING FILE...)
#   Sorts files by platform: those ending _win32ENDING into PREFIX_win32 (Windows only), those
#   ending _posixENDING into PREFIX_posix (native only), the rest into PREFIX_portable.
function(rq_split_by_platform prefix ending)
  string(REPLACE "." "\\." pattern "${ending}")
  set(portable)
  set(win32)
  set(posix)
  foreach(f ${ARGN})
    if(f MATCHES "_win32${pattern}$")
      list(APPEND win32 ${f})
    elseif(f MATCHES "_posix${pattern}$")
      list(APPEND posix ${f})
    else()
      list(APPEND portable ${f})
    endif()
  endforeach()
  set(${prefix}_portable ${portable} PARENT_SCOPE)
  set(${prefix}_win32 ${win32} PARENT_SCOPE)
  set(${prefix}_posix ${posix} PARENT_SCOPE)
endfunction()

# rq_folder_library(NAME [DEPS ...] [EXCLUDE file...])
#   A library of every .cpp in the calling folder: files ending _win32.cpp build only for Windows,
#   files ending _posix.cpp only natively. A folder whose files all end _win32.cpp gives no native
#   library (check with if(TARGET ...)). EXCLUDE names files (in the folder) that the folder builds
#   otherwise, such as a process entry.
function(rq_folder_library name)
  cmake_parse_arguments(A "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(f ${A_EXCLUDE})
    list(REMOVE_ITEM all ${CMAKE_CURRENT_SOURCE_DIR}/${f})
  endforeach()
  rq_split_by_platform(f ".cpp" ${all})
  rq_library(${name} SOURCES ${f_portable} WIN32 ${f_win32} POSIX ${f_posix} DEPS ${A_DEPS})
endfunction()

# rq_folder_tests(NAME [DEPS ...] [LABELS ...] [SUPPORT file...] [KIND portable|win32])
#   One test executable of every *_test.cpp in the calling folder (_win32_test.cpp: Windows only,
#   _posix_test.cpp: native only), plus any support .cpp files named in SUPPORT. KIND takes only
#   the folder's Windows tests (win32) or only the others (portable), for a folder whose two kinds
#   are two executables.
function(rq_folder_tests name)
  cmake_parse_arguments(A "" "KIND" "DEPS;LABELS;SUPPORT" ${ARGN})
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  rq_split_by_platform(f "_test.cpp" ${all})
  if(A_KIND STREQUAL "win32")
    set(f_portable)
    set(f_posix)
  elseif(A_KIND STREQUAL "portable")
    set(f_win32)
  elseif(A_KIND)
    message(FATAL_ERROR "rq_folder_tests: KIND is portable or win32, not ${A_KIND}")
  endif()
  if(NOT f_portable AND NOT f_win32 AND NOT f_posix)
    return()
  endif()
  rq_test(${name} SOURCES ${f_portable} ${A_SUPPORT} WIN32 ${f_win32} POSIX ${f_posix} DEPS ${A_DEPS}
    LABELS ${A_LABELS})
endfunction()

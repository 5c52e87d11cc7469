# How the Windows build links its programs, in one place: static run-time, the entry of a wide
# program, link-time optimisation and the size rules of the shipped programs. Nothing natively.
#
# rq_link_time_optimisation(TARGET [PRODUCT])
#   The one place that decides link-time optimisation. The product's code (PRODUCT) carries the
#   compiler's intermediate form beside the machine code; a program whose RQ_LINK_FOR_SIZE
#   property is on (rq_link_for_size) is optimised as a whole from it at its link, in one partition
#   (GCC 12 for this target stops with an internal error when it splits the program into several),
#   while every other program (tests, tools) links the machine code.
#
# rq_link_program(TARGET [WIDE_ENTRY] [GUI])
#   A self-contained program: the run-time libraries linked in statically, so it runs on a machine
#   without them; WIDE_ENTRY for a program whose entry takes UTF-16 arguments (wmain, wWinMain),
#   GUI for one without a console window.
#
# rq_link_for_size(TARGET)
#   A shipped program: optimised as a whole, unused sections dropped, no symbols, its image mapped
#   rather than read, and a link map (<output name>.map) beside it for finding what pulls code in.

# Also called for installers that another project makes, where this project's variables are not
# in scope: the target system is asked directly.
function(rq_link_time_optimisation target)
  cmake_parse_arguments(A "PRODUCT" "" "" ${ARGN})
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
    return()
  endif()
  if(A_PRODUCT)
    target_compile_options(${target} PRIVATE -flto -ffat-lto-objects)
  endif()
  set(whole "$<BOOL:$<TARGET_PROPERTY:RQ_LINK_FOR_SIZE>>")
  target_link_options(${target} PRIVATE "$<IF:${whole},-flto,-fno-lto>" "$<${whole}:-flto-partition=one>")
endfunction()

function(rq_link_program target)
  cmake_parse_arguments(A "WIDE_ENTRY;GUI" "" "" ${ARGN})
  if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
    return()
  endif()
  target_link_options(${target} PRIVATE -static)
  if(A_WIDE_ENTRY)
    target_link_options(${target} PRIVATE -municode)
  endif()
  if(A_GUI)
    target_link_options(${target} PRIVATE -mwindows)
  endif()
endfunction()

# The linker here keeps the unwind tables of every function and with them the function itself, so
# dropping unused sections removes little of our code: the whole-program optimisation is what
# leaves out what nothing calls, and inlines across files.
function(rq_link_for_size target)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set_target_properties(${target} PROPERTIES RQ_LINK_FOR_SIZE ON)
  rq_link_time_optimisation(${target})
  rq_link_program(${target} WIDE_ENTRY)
  # Sections start on page boundaries in the file as they do in memory, so that the loader can map
  # the image rather than read it: an installer carries its package in the image, and Wine reads
  # an image of a smaller file alignment whole before the program starts (70 ms for 64 MB here).
  target_link_options(${target} PRIVATE -Wl,--gc-sections -s -Wl,--file-alignment,4096
    "-Wl,-Map=$<TARGET_FILE_DIR:${target}>/${name}.map")
endfunction()

# Imported targets for the dependencies, the same names in both builds:
#   rq::brotlidec  rq::zlib  rq::zip  rq::rapidjson, rq::gtest with RQ_TESTS (and rq::benchmark natively)
if(RQ_WINDOWS)
  # tools/setup builds them into this repository's own build folder, whichever project adds it.
  set(RQ_DEPS_DIR "${PROJECT_SOURCE_DIR}/build/deps/mingw" CACHE PATH "Static MinGW builds of Brotli and libzip")
  if(NOT EXISTS "${RQ_DEPS_DIR}/lib/libbrotlidec.a" OR NOT EXISTS "${RQ_DEPS_DIR}/lib/libzip.a")
    message(FATAL_ERROR "MinGW dependencies missing in ${RQ_DEPS_DIR}: run ${PROJECT_SOURCE_DIR}/tools/setup first")
  endif()
  set(RQ_MINGW_ROOT /usr/x86_64-w64-mingw32)

  add_library(rq::zlib STATIC IMPORTED GLOBAL)
  set_target_properties(rq::zlib PROPERTIES IMPORTED_LOCATION "${RQ_MINGW_ROOT}/lib/libz.a")

  add_library(rq_brotlicommon STATIC IMPORTED GLOBAL)
  set_target_properties(rq_brotlicommon PROPERTIES IMPORTED_LOCATION "${RQ_DEPS_DIR}/lib/libbrotlicommon.a")
  add_library(rq::brotlidec STATIC IMPORTED GLOBAL)
  set_target_properties(rq::brotlidec PROPERTIES IMPORTED_LOCATION "${RQ_DEPS_DIR}/lib/libbrotlidec.a"
    INTERFACE_INCLUDE_DIRECTORIES "${RQ_DEPS_DIR}/include" INTERFACE_LINK_LIBRARIES rq_brotlicommon)

  add_library(rq::zip STATIC IMPORTED GLOBAL)
  set_target_properties(rq::zip PROPERTIES IMPORTED_LOCATION "${RQ_DEPS_DIR}/lib/libzip.a"
    INTERFACE_INCLUDE_DIRECTORIES "${RQ_DEPS_DIR}/include" INTERFACE_COMPILE_DEFINITIONS ZIP_STATIC
    INTERFACE_LINK_LIBRARIES "rq::zlib;advapi32;bcrypt")

  # RapidJSON is header-only; expose just its folder, not the host's whole /usr/include.
  set(RQ_RAPIDJSON_DIR "${PROJECT_BINARY_DIR}/rapidjson-include")
  file(MAKE_DIRECTORY "${RQ_RAPIDJSON_DIR}")
  file(CREATE_LINK /usr/include/rapidjson "${RQ_RAPIDJSON_DIR}/rapidjson" SYMBOLIC)
  add_library(rq::rapidjson INTERFACE IMPORTED GLOBAL)
  set_target_properties(rq::rapidjson PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${RQ_RAPIDJSON_DIR}")

  if(RQ_TESTS)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${PROJECT_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    add_library(rq::gtest ALIAS gmock)
  endif()
else()
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(BROTLIDEC REQUIRED IMPORTED_TARGET libbrotlidec)
  pkg_check_modules(BROTLIENC REQUIRED IMPORTED_TARGET libbrotlienc)
  pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
  if(RQ_TESTS)
    find_package(GTest REQUIRED)
    add_library(rq::gtest ALIAS GTest::gmock)
  endif()
  find_package(benchmark QUIET)
  add_library(rq::zlib ALIAS ZLIB::ZLIB)
  add_library(rq::brotlidec ALIAS PkgConfig::BROTLIDEC)
  add_library(rq::zip ALIAS PkgConfig::LIBZIP)
  add_library(rq::rapidjson INTERFACE IMPORTED GLOBAL)
endif()

# The Brotli encoder is build tooling only (the package writer of rqpack and the tests); natively it
# comes from Debian, for Windows rqpack and the tests get it from the same source build.
if(RQ_WINDOWS)
  if(EXISTS "${RQ_DEPS_DIR}/lib/libbrotlienc.a")
    add_library(rq::brotlienc STATIC IMPORTED GLOBAL)
    set_target_properties(rq::brotlienc PROPERTIES IMPORTED_LOCATION "${RQ_DEPS_DIR}/lib/libbrotlienc.a"
      INTERFACE_INCLUDE_DIRECTORIES "${RQ_DEPS_DIR}/include" INTERFACE_LINK_LIBRARIES rq_brotlicommon)
  endif()
else()
  add_library(rq::brotlienc ALIAS PkgConfig::BROTLIENC)
endif()

# Third-party libraries are installed from Debian's packages or built at
# set-up time from Debian's source packages (scripts/setup-deps.sh) into a
# cache folder outside the source tree; nothing of theirs lives in this tree.
#
# Interface targets provided here:
#   vor_dep_zlib   zlib
#   vor_dep_bz2    libbzip2, built with BZ_NO_STDIO so that its internal
#                  errors reach the application's bz_internal_error hook
#   vor_dep_jpeg   libjpeg (native only)
#   vor_gtest_main GoogleTest with its main()

if(NOT VOR_DEPS_DIR)
  if(DEFINED ENV{VOR_DEPS_DIR} AND NOT "$ENV{VOR_DEPS_DIR}" STREQUAL "")
    set(VOR_DEPS_DIR "$ENV{VOR_DEPS_DIR}")
  else()
    set(VOR_DEPS_DIR "$ENV{HOME}/.cache/vor-deps")
  endif()
endif()
set(VOR_DEPS_DIR "${VOR_DEPS_DIR}" CACHE PATH "Cache folder of dependencies built at set-up time")

if(VOR_WINDOWS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VOR_TRIPLE x86_64-w64-mingw32)
  else()
    set(VOR_TRIPLE i686-w64-mingw32)
  endif()
else()
  set(VOR_TRIPLE native)
endif()
set(VOR_DEPS_PREFIX "${VOR_DEPS_DIR}/${VOR_TRIPLE}")

function(vor_imported_static name lib incdir)
  if(NOT EXISTS "${lib}")
    message(FATAL_ERROR "${name}: ${lib} is missing; run scripts/setup-deps.sh first")
  endif()
  add_library(${name} INTERFACE)
  target_link_libraries(${name} INTERFACE "${lib}")
  target_include_directories(${name} SYSTEM INTERFACE "${incdir}")
endfunction()

# zlib: Debian's zlib1g-dev natively, Debian's libz-mingw-w64-dev for Windows.
if(VOR_WINDOWS)
  vor_imported_static(vor_dep_zlib /usr/${VOR_TRIPLE}/lib/libz.a /usr/${VOR_TRIPLE}/include)
else()
  find_package(ZLIB REQUIRED)
  add_library(vor_dep_zlib INTERFACE)
  target_link_libraries(vor_dep_zlib INTERFACE ZLIB::ZLIB)
endif()

# libbzip2: built from Debian's source package for every target.
vor_imported_static(vor_dep_bz2 "${VOR_DEPS_PREFIX}/lib/libbz2.a" "${VOR_DEPS_PREFIX}/include")

# libjpeg: Debian's libjpeg-dev, natively only (Windows decodes pictures
# itself: src/platform/picture_win32.cpp).
if(NOT VOR_WINDOWS)
  find_package(JPEG REQUIRED)
  add_library(vor_dep_jpeg INTERFACE)
  target_link_libraries(vor_dep_jpeg INTERFACE JPEG::JPEG)
endif()

if(VOR_BUILD_TESTS)
  if(VOR_WINDOWS)
    # Cross-built from the sources Debian's googletest package installs.
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
    # Built here by the preset's own compiler, whose Win32 thread model has no
    # std::mutex: GoogleTest's thread-start notification, the one piece of it
    # made of std::mutex, is replaced by ours, included ahead of GoogleTest in
    # its own files and (through gtest's usage requirements) in every test.
    target_compile_options(gtest PUBLIC
      "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${PROJECT_SOURCE_DIR}/tests/support/gtest_notification.h>")
    add_library(vor_gtest_main INTERFACE)
    target_link_libraries(vor_gtest_main INTERFACE gtest gmock gtest_main)
  else()
    find_package(GTest REQUIRED)
    add_library(vor_gtest_main INTERFACE)
    target_link_libraries(vor_gtest_main INTERFACE GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
endif()

find_package(Threads REQUIRED)

# Windows build: the plug-in module Corvane.8bf and the tests that load it under Wine.
if(NOT CORVANE_ARCH)
  message(FATAL_ERROR "Use one of the toolchain files in cmake/")
endif()
enable_language(RC)

set(CORVANE_DIST_DIR ${CMAKE_SOURCE_DIR}/dist/${CORVANE_ARCH} CACHE PATH "Where Corvane.8bf is written")
set(CORVANE_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

file(GLOB CORVANE_RESOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.rc)

add_library(Corvane SHARED ${CORVANE_CORE_SOURCES} ${CORVANE_WIN_SOURCES} ${CORVANE_RESOURCES}
            ${CMAKE_SOURCE_DIR}/run/exports.def)
set_target_properties(Corvane PROPERTIES
  PREFIX "" SUFFIX ".8bf" OUTPUT_NAME "Corvane"
  RUNTIME_OUTPUT_DIRECTORY ${CORVANE_DIST_DIR}
  LIBRARY_OUTPUT_DIRECTORY ${CORVANE_DIST_DIR})
target_include_directories(Corvane PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/resources)
target_compile_options(Corvane PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${CORVANE_WARNINGS} -O2>)
if(CORVANE_ARCH STREQUAL "x64")
  target_compile_definitions(Corvane PRIVATE $<$<COMPILE_LANGUAGE:RC>:CORVANE_X64>)
endif()
target_link_options(Corvane PRIVATE ${CORVANE_STATIC_RUNTIME})
# The dialog procedure is stdcall on 32-bit; the .def file exports it undecorated.
if(CORVANE_ARCH STREQUAL "x86")
  target_link_options(Corvane PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_link_libraries(Corvane PRIVATE user32 gdi32 kernel32 version advapi32)

# GoogleTest cross-compiled from Debian's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB TESTHOST_WIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/testhost/*_win.cpp)
add_library(corvane_testhost STATIC ${TESTHOST_CORE_SOURCES} ${TESTHOST_WIN_SOURCES})
target_include_directories(corvane_testhost PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_include_directories(corvane_testhost SYSTEM PRIVATE /usr/include/stb)

file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
add_executable(corvane_wine_tests ${WINE_TEST_SOURCES})
target_compile_definitions(corvane_wine_tests PRIVATE CORVANE_ARCH_NAME="${CORVANE_ARCH}")
target_link_libraries(corvane_wine_tests PRIVATE corvane_testhost gtest gtest_main user32 gdi32 version advapi32)
target_link_options(corvane_wine_tests PRIVATE ${CORVANE_STATIC_RUNTIME})
set_target_properties(corvane_wine_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Each subsystem's extra Windows targets (resource generation, host stand-ins) live in their own file.
include(${CMAKE_SOURCE_DIR}/cmake/windows-resources.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/windows-hostid.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/windows-runfilter.cmake)
if(CORVANE_ARCH STREQUAL "arm64")
  include(${CMAKE_SOURCE_DIR}/cmake/windows-arm64.cmake)
endif()

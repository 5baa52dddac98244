# runfilter.exe: the command-line host, written beside Corvane.8bf so it finds the module
# there by default; and its end-to-end tests, which start it as a separate process.
# The PNG writer's zlib, the static archive, so that no program needs a zlib DLL beside it.
find_library(CORVANE_ZLIB_STATIC NAMES libz.a REQUIRED)
target_link_libraries(corvane_testhost PUBLIC ${CORVANE_ZLIB_STATIC})

# The image libraries, built from Debian's sources for this architecture by
# scripts/setup-windows-libs into the kept tools folder, linked statically like zlib.
include(${CMAKE_SOURCE_DIR}/cmake/kept-tools.cmake)
set(CORVANE_WINDOWS_LIBS ${CORVANE_ARM64_TOOLS}/windows-${CORVANE_ARCH})
set(CORVANE_IMAGE_LIBRARIES)
foreach(lib tiff jpeg png16)
  find_library(CORVANE_STATIC_${lib} NAMES lib${lib}.a PATHS ${CORVANE_WINDOWS_LIBS}/lib
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT CORVANE_STATIC_${lib})
    message(FATAL_ERROR "lib${lib}.a for Windows ${CORVANE_ARCH} is not in ${CORVANE_WINDOWS_LIBS}/lib; "
      "build it with: bash scripts/setup")
  endif()
  list(APPEND CORVANE_IMAGE_LIBRARIES ${CORVANE_STATIC_${lib}})
endforeach()

file(GLOB RUNFILTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/runfilter/*.cpp)
list(FILTER RUNFILTER_SOURCES EXCLUDE REGEX "_native\\.cpp$")
add_executable(runfilter ${RUNFILTER_SOURCES})
target_compile_options(runfilter PRIVATE ${CORVANE_WARNINGS})
target_include_directories(runfilter SYSTEM PRIVATE ${CORVANE_WINDOWS_LIBS}/include)
target_link_libraries(runfilter PRIVATE ${CORVANE_IMAGE_LIBRARIES} corvane_testhost ${CORVANE_ZLIB_STATIC})
target_link_options(runfilter PRIVATE ${CORVANE_STATIC_RUNTIME} -s)
set_target_properties(runfilter PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CORVANE_DIST_DIR})

file(GLOB RUNFILTER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/runfilter/*.cpp)
if(RUNFILTER_TEST_SOURCES)
  add_executable(corvane_runfilter_tests ${RUNFILTER_TEST_SOURCES})
  target_compile_definitions(corvane_runfilter_tests PRIVATE CORVANE_ARCH_NAME="${CORVANE_ARCH}")
  target_link_libraries(corvane_runfilter_tests PRIVATE corvane_testhost gtest gtest_main)
  target_include_directories(corvane_runfilter_tests SYSTEM PRIVATE /usr/include/stb)
  target_link_options(corvane_runfilter_tests PRIVATE ${CORVANE_STATIC_RUNTIME})
  set_target_properties(corvane_runfilter_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(corvane_runfilter_tests runfilter Corvane)
endif()

# pngtool: the demo's wide and 16-bit pictures; not part of the release.
add_executable(pngtool ${CMAKE_SOURCE_DIR}/tools/pngtool/pngtool.cpp)
target_compile_options(pngtool PRIVATE ${CORVANE_WARNINGS})
target_link_libraries(pngtool PRIVATE corvane_testhost)
target_link_options(pngtool PRIVATE ${CORVANE_STATIC_RUNTIME})
set_target_properties(pngtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

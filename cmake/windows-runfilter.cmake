# runfilter.exe: the command-line host, written beside Corvane.8bf so it finds the module
# there by default; and its end-to-end tests, which start it as a separate process.
# The PNG writer's zlib, the static archive, so that no program needs a zlib DLL beside it.
find_library(CORVANE_ZLIB_STATIC NAMES libz.a REQUIRED)
target_link_libraries(corvane_testhost PUBLIC ${CORVANE_ZLIB_STATIC})

file(GLOB RUNFILTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/runfilter/*.cpp)
# The Linux program and its picture files through the Debian libraries stay out; this one
# reads PNG and BMP and writes PNG through the test host.
list(FILTER RUNFILTER_SOURCES EXCLUDE REGEX "(_native|/picture_[a-z]+)\\.cpp$")
add_executable(runfilter ${RUNFILTER_SOURCES})
target_compile_options(runfilter PRIVATE ${CORVANE_WARNINGS})
target_link_libraries(runfilter PRIVATE corvane_testhost)
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

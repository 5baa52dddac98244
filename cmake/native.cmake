# Native (Linux) build: the platform-free core with its native stand-ins, the test host,
# the tests and the benchmark; or, with CORVANE_FUZZ, the fuzz targets alone.
if(CORVANE_FUZZ)
  include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)
  return()
endif()

enable_testing()
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)
find_package(ZLIB REQUIRED)

if(CORVANE_SANITIZE)
  # The host record is packed to 4 bytes, so on 64-bit its pointers are misaligned by
  # design; the alignment check would flag every access to them.
  set(CORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize=alignment
      -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()

add_library(corvane_core STATIC ${CORVANE_CORE_SOURCES} ${CORVANE_NATIVE_SOURCES})
target_include_directories(corvane_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_compile_options(corvane_core PRIVATE ${CORVANE_WARNINGS} ${CORVANE_SANITIZER_FLAGS})
target_link_options(corvane_core PUBLIC ${CORVANE_SANITIZER_FLAGS})

# The same core without sanitizers, for the benchmark.
add_library(corvane_core_fast STATIC ${CORVANE_CORE_SOURCES} ${CORVANE_NATIVE_SOURCES})
target_include_directories(corvane_core_fast PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_compile_options(corvane_core_fast PRIVATE ${CORVANE_WARNINGS} -O2)

file(GLOB TESTHOST_NATIVE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/testhost/*_native.cpp)
add_library(corvane_testhost STATIC ${TESTHOST_CORE_SOURCES} ${TESTHOST_NATIVE_SOURCES})
target_include_directories(corvane_testhost PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_include_directories(corvane_testhost SYSTEM PRIVATE /usr/include/stb)
target_compile_options(corvane_testhost PRIVATE ${CORVANE_WARNINGS} ${CORVANE_SANITIZER_FLAGS})
target_link_libraries(corvane_testhost PUBLIC ZLIB::ZLIB)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(corvane_tests ${NATIVE_TEST_SOURCES})
target_compile_options(corvane_tests PRIVATE ${CORVANE_SANITIZER_FLAGS})
target_compile_definitions(corvane_tests PRIVATE CORVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_include_directories(corvane_tests SYSTEM PRIVATE /usr/include/stb)
target_link_libraries(corvane_tests PRIVATE corvane_testhost corvane_core GTest::gtest GTest::gtest_main Threads::Threads)
add_test(NAME corvane_tests COMMAND corvane_tests)

file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
find_package(benchmark QUIET)
if(benchmark_FOUND AND BENCH_SOURCES)
  add_executable(corvane_bench ${BENCH_SOURCES})
  target_compile_options(corvane_bench PRIVATE -O2)
  target_link_libraries(corvane_bench PRIVATE corvane_core_fast benchmark::benchmark)
endif()


# runfilter for Linux and its tests, in a build of their own (scripts/build: Release, no
# sanitizers, written to dist/linux-<arch>), so the test builds need no image libraries.
if(CORVANE_RUNFILTER_DIR)
  include(${CMAKE_SOURCE_DIR}/cmake/native-runfilter.cmake)
endif()

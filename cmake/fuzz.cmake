# Fuzz targets: one libFuzzer executable for each tests/fuzz/fuzz_*.cpp, over the core and the
# test host built with the same instrumentation. Needs clang:
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCORVANE_FUZZ=ON
# scripts/fuzz configures, builds and runs them.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "CORVANE_FUZZ needs clang (libFuzzer): configure with CXX=clang++")
endif()

# The host record is packed to 4 bytes, so on 64-bit its pointers are misaligned by design.
set(CORVANE_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize=alignment
    -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)

add_library(corvane_core_fuzz STATIC ${CORVANE_CORE_SOURCES} ${CORVANE_NATIVE_SOURCES})
target_include_directories(corvane_core_fuzz PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_compile_options(corvane_core_fuzz PUBLIC ${CORVANE_FUZZ_SANITIZERS} PRIVATE -fsanitize=fuzzer-no-link)
target_link_options(corvane_core_fuzz PUBLIC -fsanitize=address,undefined)

file(GLOB TESTHOST_FUZZ_NATIVE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/testhost/*_native.cpp)
add_library(corvane_testhost_fuzz STATIC ${TESTHOST_CORE_SOURCES} ${TESTHOST_FUZZ_NATIVE_SOURCES})
target_include_directories(corvane_testhost_fuzz PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/include)
target_include_directories(corvane_testhost_fuzz SYSTEM PRIVATE /usr/include/stb)
target_compile_options(corvane_testhost_fuzz PRIVATE -fsanitize=fuzzer-no-link)
target_link_libraries(corvane_testhost_fuzz PUBLIC corvane_core_fuzz)

# runfilter's picture readers, with the image libraries as Debian ships them.
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
file(GLOB RUNFILTER_PICTURE_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/runfilter/picture_*.cpp)
list(APPEND RUNFILTER_PICTURE_FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tools/runfilter/run.cpp
  ${CMAKE_SOURCE_DIR}/tools/runfilter/options.cpp ${CMAKE_SOURCE_DIR}/tools/runfilter/system_native.cpp)
add_library(corvane_pictures_fuzz STATIC ${RUNFILTER_PICTURE_FUZZ_SOURCES})
target_compile_options(corvane_pictures_fuzz PRIVATE -fsanitize=fuzzer-no-link)
target_link_libraries(corvane_pictures_fuzz PUBLIC corvane_testhost_fuzz PNG::PNG JPEG::JPEG TIFF::TIFF)

file(GLOB CORVANE_FUZZ_TARGETS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source ${CORVANE_FUZZ_TARGETS})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE corvane_testhost_fuzz corvane_core_fuzz)
  if(name MATCHES "^fuzz_picture_")
    target_link_libraries(${name} PRIVATE corvane_pictures_fuzz corvane_testhost_fuzz corvane_core_fuzz)
  endif()
endforeach()

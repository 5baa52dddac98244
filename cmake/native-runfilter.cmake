# runfilter for Linux: the core linked in, no module to load, written to CORVANE_RUNFILTER_DIR.
file(GLOB RUNFILTER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/runfilter/*.cpp)
file(GLOB RUNFILTER_NATIVE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/runfilter/*.cpp)
list(FILTER RUNFILTER_NATIVE_SOURCES EXCLUDE REGEX "_win\\.cpp$")
# The image libraries, from Debian's -dev packages, linked statically (with libtiff's own
# codecs and the C++ runtime), so the program needs only the C library and libm of Debian 12.
set(CORVANE_IMAGE_LIBRARIES)
foreach(lib tiff webp Lerc jbig zstd lzma jpeg deflate png16 z)
  find_library(CORVANE_STATIC_${lib} NAMES lib${lib}.a REQUIRED)
  list(APPEND CORVANE_IMAGE_LIBRARIES ${CORVANE_STATIC_${lib}})
endforeach()
# Their headers; jconfig.h sits in the multiarch folder, which a cross compiler does not search
# inside the unpacked aarch64 tree.
set(CORVANE_IMAGE_INCLUDES)
foreach(header tiffio.h png.h jpeglib.h jconfig.h)
  string(MAKE_C_IDENTIFIER ${header} id)
  find_path(CORVANE_INCLUDE_${id} ${header} PATH_SUFFIXES ${CMAKE_LIBRARY_ARCHITECTURE} REQUIRED)
  list(APPEND CORVANE_IMAGE_INCLUDES ${CORVANE_INCLUDE_${id}})
endforeach()
list(REMOVE_DUPLICATES CORVANE_IMAGE_INCLUDES)
add_executable(runfilter ${RUNFILTER_NATIVE_SOURCES})
target_compile_options(runfilter PRIVATE ${CORVANE_WARNINGS} ${CORVANE_SANITIZER_FLAGS})
target_link_libraries(runfilter PRIVATE corvane_core ${CORVANE_IMAGE_LIBRARIES} corvane_testhost
  ${CORVANE_IMAGE_LIBRARIES} Threads::Threads m)
target_link_options(runfilter PRIVATE -static-libstdc++ -static-libgcc)
target_include_directories(runfilter SYSTEM PRIVATE ${CORVANE_IMAGE_INCLUDES})
set_target_properties(runfilter PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CORVANE_RUNFILTER_DIR})

# runfilter end to end, the native program (and beside it the Windows one, where Wine is).
# The picture files' own code is linked in too, to make and read the format table's files.
set(RUNFILTER_PICTURE_SOURCES ${RUNFILTER_NATIVE_SOURCES})
list(FILTER RUNFILTER_PICTURE_SOURCES EXCLUDE REGEX "runfilter_native\\.cpp$")
add_executable(corvane_runfilter_tests ${RUNFILTER_TEST_SOURCES} ${RUNFILTER_PICTURE_SOURCES})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL aarch64)
  set(CORVANE_RUNFILTER_ARCH arm64)
else()
  set(CORVANE_RUNFILTER_ARCH x86_64)
endif()
target_compile_definitions(corvane_runfilter_tests PRIVATE CORVANE_ARCH_NAME="linux-${CORVANE_RUNFILTER_ARCH}"
  CORVANE_RUNFILTER_ARCH="${CORVANE_RUNFILTER_ARCH}")
target_link_libraries(corvane_runfilter_tests PRIVATE corvane_core ${CORVANE_IMAGE_LIBRARIES} corvane_testhost
  ${CORVANE_IMAGE_LIBRARIES} GTest::gtest GTest::gtest_main Threads::Threads)
target_include_directories(corvane_runfilter_tests SYSTEM PRIVATE ${CORVANE_IMAGE_INCLUDES} /usr/include/stb)
set_target_properties(corvane_runfilter_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(corvane_runfilter_tests runfilter)

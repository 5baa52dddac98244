# Resources of the module: the hand cursors are generated from ASCII art at build time and
# found by windres through an include folder.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(CORVANE_CURSOR_DIR ${CMAKE_BINARY_DIR}/generated/cursors)
set(CORVANE_CURSOR_FILES)
foreach(cursor cursor_open_hand cursor_closed_hand)
  set(source ${CMAKE_SOURCE_DIR}/resources/${cursor}.txt)
  set(output ${CORVANE_CURSOR_DIR}/${cursor}.cur)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVANE_CURSOR_DIR}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/cursorgen/cursorgen.py ${source} ${output}
    DEPENDS ${source} ${CMAKE_SOURCE_DIR}/tools/cursorgen/cursorgen.py
    COMMENT "Generating ${cursor}.cur"
    VERBATIM)
  list(APPEND CORVANE_CURSOR_FILES ${output})
endforeach()

# Listing the generated files as sources makes the target build them; OBJECT_DEPENDS makes
# the cursor script wait for them and recompile when they change.
target_sources(Corvane PRIVATE ${CORVANE_CURSOR_FILES})
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/cursors.rc PROPERTIES
  OBJECT_DEPENDS "${CORVANE_CURSOR_FILES}")
target_include_directories(Corvane PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CORVANE_CURSOR_DIR}>)

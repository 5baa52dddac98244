# Windows on ARM64 (PE32+, machine 0xAA64) with the pinned compiler that scripts/setup-arm64
# installs (its wrappers keep the compiler's cache in the same folder).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ARM64)
set(CORVANE_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/kept-tools.cmake)
set(CMAKE_C_COMPILER ${CORVANE_ARM64_TOOLS}/bin/aarch64-windows-gnu-cc)
set(CMAKE_CXX_COMPILER ${CORVANE_ARM64_TOOLS}/bin/aarch64-windows-gnu-c++)
set(CMAKE_AR ${CORVANE_ARM64_TOOLS}/bin/aarch64-windows-gnu-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${CORVANE_ARM64_TOOLS}/bin/aarch64-windows-gnu-ranlib CACHE FILEPATH "")
# The x64 build's resource compiler: cmake/windows.cmake has it write .res files, which the
# linker takes for any machine, so the resource bytes come from the same tool as x64's.
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# zlib, built for this target by scripts/setup-arm64.
set(CMAKE_FIND_ROOT_PATH ${CORVANE_ARM64_TOOLS}/windows-arm64)
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${CORVANE_ARM64_TOOLS}/windows-arm64/include)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${CORVANE_ARM64_TOOLS}/windows-arm64/include)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The platform-free core and its native tests built for aarch64 Linux, which scripts/test runs
# under the emulator: char is unsigned there, and alignment and overflow assumptions show.
# AddressSanitizer does not run under the emulator; configure with -DCORVANE_SANITIZE=OFF, and
# the undefined-behaviour checks come from here, their runtime linked in.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CXX_FLAGS_INIT "-fsanitize=undefined -fno-sanitize=alignment -fno-sanitize-recover=all")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fsanitize=undefined -static-libubsan")
# zlib and GoogleTest for aarch64, unpacked by scripts/setup-arm64.
include(${CMAKE_CURRENT_LIST_DIR}/kept-tools.cmake)
set(CMAKE_FIND_ROOT_PATH ${CORVANE_ARM64_TOOLS}/root)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

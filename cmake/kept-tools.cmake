# The kept tools folder scripts/setup-arm64 and scripts/setup-windows-libs fill (see
# scripts/arm64-env): outside the work tree, shared by clones and rebuilds.
if(DEFINED ENV{CORVANE_ARM64_TOOLS})
  set(CORVANE_ARM64_TOOLS $ENV{CORVANE_ARM64_TOOLS})
else()
  set(CORVANE_ARM64_TOOLS $ENV{HOME}/.cache/corvane-arm64)
endif()

# Writes the build stamp header: "<commit>" or "<commit>-modified" when the
# working tree differs from the commit, "unknown" outside a git checkout or
# without git. Run with -DSOURCE_DIR=... -DGIT=... -DOUTPUT=... -P.
set(stamp "unknown")
if(GIT AND EXISTS "${GIT}")
  execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
    OUTPUT_VARIABLE commit RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT failed AND commit MATCHES "^[0-9a-f]+$")
    set(stamp "${commit}")
    # Untracked files count: a build compiles whatever sources are present.
    execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" status --porcelain
      OUTPUT_VARIABLE changes RESULT_VARIABLE failed ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    # A tree that cannot be checked is not known to be clean.
    if(failed OR NOT changes STREQUAL "")
      set(stamp "${commit}-modified")
    endif()
  endif()
endif()
# file(CONFIGURE) leaves an unchanged file untouched, so nothing recompiles.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT
"// Written at build time from git; do not edit.
#pragma once
#define QF_BUILD_STAMP \"${stamp}\"
")

# Writes the commit the program is built from into OUT, touching it only when it changed, so
# that a new commit relinks the program without rebuilding anything else.
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
if(failed OR commit STREQUAL "")
  set(commit "unknown")
endif()
set(text "// Made by cmake/build_commit.cmake at build time.\nnamespace nb { extern const char* const kBuildCommit; const char* const kBuildCommit = \"${commit}\"; }\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()

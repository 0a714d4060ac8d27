# Writes the version header: the project's version and, built from a git checkout, its commit.
# Run at every build (cmake -P); the header changes only when the commit does.
execute_process(COMMAND git -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
                OUTPUT_VARIABLE QUORVEL_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE found ERROR_QUIET)
if(NOT found EQUAL 0)
  set(QUORVEL_COMMIT "")
endif()
configure_file("${INPUT}" "${OUTPUT}" @ONLY)

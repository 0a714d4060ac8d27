# Warning and floating-point flags shared by every target of the project.
# -ffp-contract=off keeps a*b+c as two rounded operations, so that Linux and
# Windows builds at any optimisation level produce the same bits; -ffast-math is
# never used for the same reason.
add_library(quorvel_flags INTERFACE)
target_compile_options(quorvel_flags INTERFACE -Wall -Wextra -Werror -ffp-contract=off)
target_compile_features(quorvel_flags INTERFACE cxx_std_20)

if(QUORVEL_FUZZ)
  # Every library is instrumented for libFuzzer; the fuzz targets link its driver.
  target_compile_options(quorvel_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

if(QUORVEL_SANITIZE)
  set(QUORVEL_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                              -fno-omit-frame-pointer)
  target_compile_options(quorvel_flags INTERFACE ${QUORVEL_SANITIZER_FLAGS})
  target_link_options(quorvel_flags INTERFACE ${QUORVEL_SANITIZER_FLAGS})
endif()

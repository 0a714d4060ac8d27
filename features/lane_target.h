// The side-by-side (lane) kernels are compiled twice: once for every x86-64 processor (SSE2,
// two doubles per vector) and once for processors with AVX2 (four). A kernel file puts its code
// in namespace quorvel::QUORVEL_LANE_ISA between QUORVEL_LANE_CODE_BEGIN and
// QUORVEL_LANE_CODE_END; the build compiles it as it is (namespace baseline) and again with
// QUORVEL_LANE_AVX2 defined (namespace avx2). Only the code between the markers gets the AVX2
// target; the library and project headers included before it stay baseline, so no shared
// inline function is ever compiled for AVX2 alone. Both forms perform the same IEEE operations
// in the same order (-ffp-contract=off, no FMA target), so their results agree to the bit.
#pragma once

#ifdef QUORVEL_LANE_AVX2
#define QUORVEL_LANE_ISA avx2
#ifdef __clang__
#define QUORVEL_LANE_CODE_BEGIN \
  _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define QUORVEL_LANE_CODE_END _Pragma("clang attribute pop")
#else
#define QUORVEL_LANE_CODE_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define QUORVEL_LANE_CODE_END _Pragma("GCC pop_options")
#endif
#else
#define QUORVEL_LANE_ISA baseline
#define QUORVEL_LANE_CODE_BEGIN
#define QUORVEL_LANE_CODE_END
#endif

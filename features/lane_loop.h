// Loops over the lanes of side-by-side computations (FIT_LANES independent samples, the lane
// index innermost). GCC unrolls such short fixed loops completely before its loop vectoriser
// runs and then rarely pairs the unrolled statements; kept rolled, they become vector
// instructions. Each lane still performs its own IEEE operations in its own order, so this
// changes speed only, never a bit. Compilers without the pragma ignore it.
#pragma once

#define QUORVEL_LANE_LOOP _Pragma("GCC unroll 1")

// tred2 and tqli on FIT_LANES independent 3 x 3 problems side by side. Each lane performs
// exactly the floating-point operations of tred2 and tqli on its own problem, so its results
// are bit for bit theirs. The single solver is a chain of dependent divisions and square roots
// that leaves the processor idle; side by side the lanes overlap and become vector
// instructions. Branches that (almost) every lane takes the same way are taken by all lanes
// together, and the few lanes that go the other way are redone or put back one by one.
#pragma once

#include <array>

namespace quorvel {

inline constexpr int FIT_LANES = 8;

using LaneValues = std::array<double, FIT_LANES>;  // one double per lane
using LaneVec3 = std::array<LaneValues, 3>;        // [i][lane]
using LaneMat3 = std::array<LaneValues, 9>;        // [3 row + column][lane]

// As tred2 on every lane; one form per instruction set (features/lane_target.h).
namespace baseline {
void tred2Lanes(LaneMat3& a, LaneVec3& d, LaneVec3& e);
}
namespace avx2 {
void tred2Lanes(LaneMat3& a, LaneVec3& d, LaneVec3& e);
}

// As tqli on every lane, with its iteration limit and its warning (once for every lane
// eigenvalue that takes a 31st step).
namespace baseline {
void tqliLanes(LaneVec3& d, LaneVec3& e, LaneMat3& z);
}
namespace avx2 {
void tqliLanes(LaneVec3& d, LaneVec3& e, LaneMat3& z);
}

}  // namespace quorvel

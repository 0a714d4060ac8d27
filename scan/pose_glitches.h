// Finding the poses that cannot be trusted. A pose with a NaN or an infinity is rejected at load.
// Two usable poses are reachable from each other when they lie at most D apart for each scan
// line between them: a vehicle cannot move farther. A pose glitch is a run of lines (one line or
// more, at most MAX_GLITCH_RUN) that the usable poses just before and just after the run cannot
// reach, while those two can reach each other: the positioning jumped away and came back. A run
// counts unless one of those two poses lies in another run as short or shorter (seen from two
// glitches at one place, the healthy lines between them look like a longer run). At the start of
// a file, the lines before the first jump count when the steady lines after the jump (each
// reaching the next) outnumber them, the first two of those cannot reach them, and no later jump
// comes back to them; likewise at the end. Lines with rejected poses are passed over.
//
// D is POSE_GLITCH_DISTANCE = 10 length units (metres: the ranges' validity window 0.5 ... 60 is
// metres). The slowest of the three set-ups (0.25 degrees over 100 degrees) scans about 19 lines
// a second; 10 m in one such line is 680 km/h, and a car at 200 km/h moves 3 m per line, so a
// healthy drive always reaches its next line, while a receiver that loses its fix (a jump of
// kilometres, a position of 0) does not.
//
// Whether a line is a glitch depends only on the lines within POSE_CONTEXT_LINES of it, so that a
// window of a file read with that many lines on each side gets the whole file's answer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "scan/pose_faults.h"
#include "scan/scan_store.h"

namespace quorvel {

inline constexpr double POSE_GLITCH_DISTANCE = 10.0;  // length units between two lines
inline constexpr int64_t MAX_GLITCH_RUN = 500;        // lines; 7 s at 75 lines a second
// A run and its anchors span MAX_GLITCH_RUN + 2 lines, whether it counts depends on the runs
// around its anchors, and the rules at a file's ends look a run further.
inline constexpr int64_t POSE_CONTEXT_LINES = 3 * MAX_GLITCH_RUN + 3;

// A pose is usable when its attitude and position are finite numbers.
bool isFinitePose(const ScanLine& line);

// The non-finite poses and glitches of lines[i], the file's line firstLine + i, in a file of
// fileLines lines (the rules at the file's start and end apply only where lines reach them).
PoseFaults findPoseFaults(std::span<const ScanLine> lines, int64_t firstLine, int64_t fileLines,
                          double distance = POSE_GLITCH_DISTANCE);

// Rejects the poses of the store's glitch lines (store.poseFaults), so that they give no points;
// releases the derived buffers when that changes a line, since they were made with them.
void dropPoseGlitches(ScanStore& store);

}  // namespace quorvel

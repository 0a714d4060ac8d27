// Surface classification: every sample becomes carriageway, kerb, ground (footways, shoulders,
// verges), vertical structure, other or no point (segment/surface_classes.h), and every scan line
// gets the foot of the kerb on each side where it sees one. Scan lines are cross profiles of the
// road: each line's ground is found in its own profile (ground_profile.h), where its carriageway
// ends is decided over the line and its neighbours (carriageway_bounds.h), and its samples are
// labelled from both (surface_labels.h). The result of a line depends on the points of lines
// l - CARRIAGEWAY_NEIGHBOUR_LINES ... l + CARRIAGEWAY_NEIGHBOUR_LINES only; it does not depend on
// the number of threads.
#pragma once

#include "scan/calib_file.h"
#include "scan/parallel_for.h"
#include "scan/scan_store.h"

namespace quorvel {

// Classifies every line (in parallel) unless the store holds the results: 1 when the surface
// class map and the kerb feet exist afterwards, 0 with "Memory failure in classifySurfaces." when
// memory ran out, 0 without a message when parallel.control stops it (then neither exists).
int classifySurfaces(ScanStore& store, const SensorCalib& calib, const ParallelOptions& parallel);

}  // namespace quorvel

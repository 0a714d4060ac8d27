// The road and non-road DS exports: the loaded scan written back as a DS file (header, then
// one record per scan line of the store) in which only the road samples, or only the others,
// keep their raw value outside the mask band; every other sample becomes 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/export_sources.h"
#include "export/road_selection.h"

namespace quorvel {

// The first recordSize bytes of scan line l with the samples not kept set to 0.
std::vector<unsigned char> selectedRecord(const ExportSources& sources, int32_t l,
                                          RoadSelection selection);

// Writes the DS file (the header alone when no scan line is loaded). Fails, writing nothing,
// when the LineSegmentMask of a loaded scan does not exist yet, the path has 260 characters or
// more (the path buffer holds 259 and the terminator), or the file cannot be written whole (a
// previous file then stays as it was).
Status exportSelectedDs(const ExportSources& sources, const std::string& path,
                        RoadSelection selection);

// The window's commands 110 and 111 on the process-wide records, with the path chosen in the
// save dialog: 1 when the file was written, 0 when nothing was written, with the reason in
// failure (when given).
int ExportRoadDs(const char* path, Status* failure = nullptr);
int ExportNonRoadDs(const char* path, Status* failure = nullptr);

}  // namespace quorvel

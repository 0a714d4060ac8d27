// The fields of the Query Info dialog for a segment, as the dialog shows them: its control
// ids, names and texts, in the order the dialog fills them. `quorvel query` prints the same.
#pragma once

#include <string>
#include <vector>

#include "scan/derived_buffers.h"

namespace quorvel {

struct QueryInfoField {
  int control;       // edit control id of the dialog
  const char* name;  // the dialog's label, with the axis for vector fields ("Max Pt x")
  std::string text;  // "%d", "%.2f" or "%.4f" as the field requires
};

// Label, normal x y z, max x y z, min x y z, width, height, point number, var, class,
// density (boundaryPt / pointNum in double precision), boundary points.
std::vector<QueryInfoField> queryInfoFields(const SegmentRecord& segment);

}  // namespace quorvel

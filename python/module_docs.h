// The docstrings of the module, which help() shows beside the signatures.
#pragma once

namespace quorvel::python {

inline constexpr const char* MODULE_DOC = R"(Range images, surface features, segmentation and
exports of DS scans, as NumPy arrays.

Arrays are indexed [scan line, sample]. Those that view a project's buffers are read-only, keep
their project alive and keep their values when the project recomputes; close() the project (or
use it as a context manager) to let go of everything else. Each stage runs when a result needs it
and only once; the calls release the GIL, take `threads=` for that call only, and stop on Ctrl-C
(KeyboardInterrupt) between blocks of lines, leaving the project as it was.)";

inline constexpr const char* PROJECT_DOC = R"(A loaded project with its own parameters and results.

One call at a time works on a project: a call from another thread (a stage, a parameter change,
close()) waits for the running one, without holding the GIL. Different projects work in parallel.)";

inline constexpr const char* RANGES_DOC =
    R"(int16 [line, sample]: the raw ranges (divide by header['range_unit']); a sample has a
point only where the range lies within 0.5 ... 60.0 (valid('ranges')). A view.)";

inline constexpr const char* MASK_DOC =
    R"((first, last) or None: the band of samples that pictures and exports leave out (white
in pictures); 0 <= first <= last < samples. It changes no array.)";

inline constexpr const char* PARAMS_DOC =
    R"(The segmentation parameters (Params). Assign a mapping ({'win_half_size': 4}) or another
project's params to set several at once: all are checked before any changes.)";

inline constexpr const char* POINTS_DOC =
    R"(float64 [line, sample, 3]: the world points x, y, z; NaN where a sample has no point
(valid('points')). A new array.)";

inline constexpr const char* VARIANCE_DOC =
    R"(float64 [line, sample]: the surface variance; NO_VARIANCE (-1.0) on the border and where a
sample has no plane fit or fewer than two in its 3 x 3 block (valid('variance')). A view.)";

inline constexpr const char* NORMALS_DOC =
    R"(float64 [line, sample, 3]: the surface normals; NO_NORMAL (99999999.0) in all three
components where a sample has no plane fit (valid('normals')). A view.)";

inline constexpr const char* LINE_CLASSES_DOC =
    R"(uint8 [line, sample]: the line segmentation's class of each sample (LINE_CLASSES): 0 no
scan-plane point, 1 vertical, 2 road, 4 another straight piece, 5 a piece's end point that starts
no piece, 8 a point on no piece. A view.)";

inline constexpr const char* SURFACE_CLASSES_DOC =
    R"(uint8 [line, sample]: the surface classification's class of each sample
(SURFACE_CLASSES): 0 no point, 1 carriageway, 2 vertical, 3 other, 4 kerb, 5 ground (footways,
shoulders, verges, slopes). A view.)";

inline constexpr const char* LINE_SEGMENTS_DOC =
    R"(The straight pieces of every scan line: a structured array (line, first, last,
line_class), lines in order, as linesegments.csv.)";

inline constexpr const char* REGIONS_DOC =
    R"((labels, segments): labels uint16 [line, sample], the segment of each sample, MAX_SEGMENTS
(10000) and above for none (valid('labels')), a view; segments, one row per segment in label
order with the columns of segments.csv.)";

inline constexpr const char* VALID_DOC =
    R"(bool [line, sample]: where the named result has data: 'ranges' and 'points' (a point),
'variance', 'normals', 'line_classes' (a scan-plane point), 'surface_classes' (a point) or
'labels' (a segment). Runs the stage the result needs. For NaN instead of the markers: numpy.where(p.valid('variance'), p.variance(),
numpy.nan).)";

inline constexpr const char* PICTURE_DOC =
    R"(uint8 RGB of the picture 'range', 'variance', 'normal', 'contour', 'segment', 'surface' or
'regions' (PICTURES).

layout='window' (default): [row, column, 3] as the window shows it at zoom 100 %: one row per
sample (sample 0 on top, at the bottom with inverse), one column per scan line, (lines // 8) * 8
+ 8 columns (those past the last line repeat it); what matplotlib's imshow shows upright.
layout='lines': [line, sample, 3] like every other array, without the repeated columns.
Samples in the mask band are white.)";

inline constexpr const char* QUERY_DOC =
    R"(The segment of a sample, as a dict of numbers (label, class_code, normal, plane_offset,
var, max_pt, min_pt, width, height, point_num, boundary_pt, density), or None when the sample has
no segment. Indices count from the end when negative; IndexError outside the grid.)";

inline constexpr const char* QUERY_TEXT_DOC =
    R"(The Query Info dialog's fields of a sample's segment, its names and texts as `quorvel
query` prints them, or None when the sample has no segment.)";

inline constexpr const char* EXPORT_DOC =
    R"(Writes an export (EXPORTS: the names of `quorvel run --export`) and returns the files it
wrote. map_template (count-map, road-height, geotiff): a map header to take the grid from; epsg
(geotiff, kerbs): the coordinate system, a projected one in metres (others raise ValueError).
Raises ExportError (an OSError: errno, strerror, filename; a FileNotFoundError for a missing
folder or template); the previous files stay whole.)";

inline constexpr const char* CLOSE_DOC =
    R"(Lets go of the scan and every result; arrays still in use keep their own buffers. Later
calls raise ValueError. Waits for a running call.)";

inline constexpr const char* LOAD_DOC =
    R"(Loads a project from its MDL file (str, bytes or os.PathLike). mask: (first, last), the
band of samples pictures and exports leave out; inverse: pictures with sample 0 at the bottom;
drop_pose_glitches: the pose glitches' samples get no points. Warns (UserWarning) of poses that
give no points and of glitches. Raises LoadError (an OSError; a FileNotFoundError for a missing file).)";

inline constexpr const char* SIMULATE_DOC =
    R"(Writes a simulated project (sim.mdl, sim.cal, sim.ds, truth.npy) into out_dir, which it
creates, and returns the MDL file's path. scene: 'street' or 'hills'; lines: 1 ... 1 000 000;
setup: the angular resolution, 1.0, 0.5 or 0.25; seed: 0 or more. The same arguments make the
same files.)";

}  // namespace quorvel::python

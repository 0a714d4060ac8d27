"""The module's results against the command line's on the bundled sample, bit for bit: arrays,
pictures in both layouts, exports, Query Info; where each array has data; parameter changes."""
import gc
import subprocess

import numpy as np
import pytest
from PIL import Image

import quorvel
from conftest import CLI, SAMPLE, same_bits


def test_arrays_equal_the_command_lines_dump(sample, dump):
    assert sample.lines == 1500 and sample.samples == 361
    assert same_bits(np.ascontiguousarray(sample.variance()), np.load(dump / "variance.npy").T.copy())
    normals = np.load(dump / "normal.npy").transpose(1, 0, 2)
    assert same_bits(np.ascontiguousarray(sample.normals()), normals.copy())
    assert same_bits(np.ascontiguousarray(sample.line_classes()), np.load(dump / "linemask.npy"))
    assert same_bits(np.ascontiguousarray(sample.surface_classes()), np.load(dump / "surface.npy"))
    labels, segments = sample.regions()
    assert same_bits(np.ascontiguousarray(labels), np.load(dump / "labels.npy").T.copy())
    table = np.genfromtxt(dump / "segments.csv", delimiter=",", names=True)
    assert len(segments) == len(table)
    for field in table.dtype.names:
        assert np.array_equal(segments[field].astype(np.float64), table[field]), field
    rows = np.genfromtxt(dump / "linesegments.csv", delimiter=",", names=True, dtype=np.int64)
    pieces = sample.line_segments()
    for field, column in [("line", "line"), ("first", "first"), ("last", "last"),
                          ("line_class", "lineClass")]:
        assert np.array_equal(pieces[field], rows[column]), field


def test_valid_masks_mark_the_documented_no_data_values(sample):
    """Each array's marker lies exactly where valid() is False, and the sets nest: a variance
    needs a normal, a normal a point."""
    points, normals, variance = sample.points(threads=2), sample.normals(), sample.variance()
    labels, classes = sample.regions()[0], sample.line_classes()
    metres = sample.ranges / sample.header["range_unit"]
    expected = {
        "ranges": (metres >= 0.5) & (metres <= 60.0),
        "points": ~np.isnan(points).any(axis=2),
        "variance": variance != quorvel.NO_VARIANCE,
        "normals": (normals != quorvel.NO_NORMAL).all(axis=2),
        "line_classes": classes != 0,
        "surface_classes": sample.surface_classes() != 0,
        "labels": labels < quorvel.MAX_SEGMENTS,
    }
    valid = {name: sample.valid(name) for name in expected}
    for name, mask in expected.items():
        assert valid[name].dtype == bool and np.array_equal(valid[name], mask), name
    assert np.isnan(points[~valid["points"]]).all()
    assert (normals[~valid["normals"]] == quorvel.NO_NORMAL).all()
    assert not (valid["variance"] & ~valid["normals"]).any()
    assert not (valid["normals"] & ~valid["points"]).any()
    assert set(np.unique(classes)) <= set(quorvel.LINE_CLASSES)
    assert set(np.unique(sample.surface_classes())) <= set(quorvel.SURFACE_CLASSES)


def test_pictures_and_exports_equal_the_command_lines(sample, dump, tmp_path):
    for name in quorvel.PICTURES:
        window = sample.picture(name)
        assert same_bits(window, np.asarray(Image.open(dump / f"{name}.png").convert("RGB"))), name
        by_line = sample.picture(name, layout="lines")
        assert same_bits(by_line, window[:, :sample.lines].transpose(1, 0, 2).copy()), name
    inverse = quorvel.load(SAMPLE, inverse=True)
    assert same_bits(inverse.picture("range", layout="lines"), sample.picture("range", layout="lines"))
    assert sample.export("las", tmp_path / "points.las") == [str(tmp_path / "points.las")]
    assert (tmp_path / "points.las").read_bytes() == (dump / "points.las").read_bytes()
    sample.export("road-height", str(tmp_path / "map.master"))
    for name in ["map-r.master", "map-r.raw"]:
        assert (tmp_path / name).read_bytes() == (dump / name).read_bytes(), name


def test_query_gives_numbers_and_the_dialogs_texts(sample):
    printed = subprocess.run([CLI, "query", SAMPLE, "--line", "700", "--sample", "100"],
                             check=True, capture_output=True, text=True).stdout
    assert sample.query_text(700, 100) == dict(line.split(": ", 1) for line in printed.splitlines())
    segment = sample.query(700, 100)
    row = sample.regions()[1][segment["label"]]
    assert segment["point_num"] == row["pointNum"] and segment["var"] == row["var"]
    assert segment["normal"] == (row["nx"], row["ny"], row["nz"])
    assert sample.query(-800, -261) == segment
    assert sample.query(0, 0) is None and sample.query_text(0, 0) is None


def test_two_projects_in_two_threads_keep_their_own_results(tmp_path):
    import threading

    street = quorvel.simulate(tmp_path / "street", lines=300, setup=1.0, seed=3)
    hills = quorvel.simulate(tmp_path / "hills", scene="hills", lines=300, setup=0.25, seed=4)
    alone = {path: quorvel.load(path).regions(threads=1)[0].copy() for path in (street, hills)}
    together = {}

    def segment(path):
        together[path] = quorvel.load(path).regions(threads=1)[0].copy()

    threads = [threading.Thread(target=segment, args=(path,)) for path in (street, hills)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for path in (street, hills):
        assert same_bits(together[path], alone[path]), path


def test_a_parameter_change_recomputes_and_earlier_arrays_keep_their_values():
    project = quorvel.load(SAMPLE)
    variance = project.variance()
    kept = variance.copy()
    labels, segments = project.regions()
    labels_kept = labels.copy()
    project.params.variance_tol = 0.01  # only the regions depend on it
    assert same_bits(project.variance(), kept)
    assert len(project.regions()[1]) != len(segments)
    project.params.win_half_size = 2  # the surface estimation depends on it
    assert not same_bits(np.ascontiguousarray(project.variance()), kept)
    gc.collect()
    assert same_bits(variance, kept) and same_bits(labels, labels_kept)
    project.params.reset()
    assert same_bits(project.variance(), kept)
    other = quorvel.load(SAMPLE)
    other.params = {"win_half_size": 2, "variance_tol": 0.01}
    project.params = other.params
    assert project.params.as_dict() == other.params.as_dict()


def test_arrays_outlive_their_project_and_its_close():
    with quorvel.load(SAMPLE) as project:
        variance, ranges = project.variance(), project.ranges[:3, :2]
        kept = variance.copy(), ranges.copy()
    assert project.closed and "(closed)" in repr(project)
    with pytest.raises(ValueError, match="closed"):
        project.variance()
    project.close()
    gc.collect()
    assert same_bits(variance, kept[0]) and same_bits(ranges, kept[1])
    del project
    gc.collect()
    assert same_bits(variance, kept[0]) and variance[700, 100] >= 0.0


def test_bad_poses_give_nan_points_and_class_0(tmp_path):
    mdl = quorvel.simulate(tmp_path, lines=60, setup=1.0)
    ds = bytearray((tmp_path / "sim.ds").read_bytes())
    record = lambda line: 12 + (200 + line) * 414
    ds[record(20) + 24:record(20) + 32] = np.float64(np.nan).tobytes()  # position x
    ds[record(40) + 24:record(40) + 32] = np.float64(1e7).tobytes()  # a glitch
    (tmp_path / "sim.ds").write_bytes(bytes(ds))
    for drop in (False, True):
        with pytest.warns(UserWarning, match=r"without points: 20 \(1 line\).* glitches, "
                          + ("left out" if drop else "kept")):
            project = quorvel.load(mdl, drop_pose_glitches=drop)
        points, classes = project.points(), project.line_classes()
        assert np.isnan(points[20]).all() and (classes[20] == 0).all()
        assert np.isnan(points[40]).all() == drop and (classes[40] == 0).all() == drop
        assert not np.isnan(points[21]).all()

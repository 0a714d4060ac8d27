"""The Python module against the command line on the bundled sample: the same arrays, pictures,
exports and Query Info fields bit for bit; several projects at once; parameter changes; errors."""
import gc
import os
import subprocess
import threading

import numpy as np
import pytest
from PIL import Image

import quorvel

CLI = os.environ["QUORVEL_CLI"]
SAMPLE = os.path.join(os.environ["QUORVEL_SAMPLE"], "sim.mdl")
PICTURES = ["range", "variance", "normal", "contour", "segment", "surface"]


@pytest.fixture(scope="module")
def dump(tmp_path_factory):
    """What `quorvel run` writes for the sample: every dump, picture and two exports."""
    out = tmp_path_factory.mktemp("cli")
    subprocess.run([CLI, "run", SAMPLE, "--out", str(out), "--dump", "--images", "all",
                    "--export", "las,road-height", "--quiet"], check=True, capture_output=True)
    return out


@pytest.fixture(scope="module")
def sample():
    return quorvel.load(SAMPLE)


def same_bits(a, b):
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()


def test_arrays_equal_the_command_lines_dump(sample, dump):
    assert sample.lines == 1500 and sample.samples == 361
    assert same_bits(np.ascontiguousarray(sample.variance()), np.load(dump / "variance.npy").T.copy())
    normals = np.load(dump / "normal.npy").transpose(1, 0, 2)
    assert same_bits(np.ascontiguousarray(sample.normals()), normals.copy())
    assert same_bits(np.ascontiguousarray(sample.line_classes()), np.load(dump / "linemask.npy"))
    surface = sample.surface_classes()
    assert surface.base is not None and not surface.flags.writeable  # a view, not a copy
    assert same_bits(surface, np.load(dump / "surface.npy"))
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


def test_ranges_and_points_follow_the_scan(sample):
    ranges = sample.ranges
    assert ranges.shape == (1500, 361) and ranges.dtype == np.int16 and not ranges.flags.writeable
    points = sample.points(threads=2)
    valid = ~np.isnan(points[..., 0])
    metres = ranges / sample.header["range_unit"]
    assert np.array_equal(valid, (metres >= 0.5) & (metres <= 60.0))


def test_pictures_and_exports_equal_the_command_lines(sample, dump, tmp_path):
    for name in PICTURES:
        png = np.asarray(Image.open(dump / f"{name}.png").convert("RGB"))
        assert same_bits(sample.picture(name), png), name
    assert sample.export("las", str(tmp_path / "points.las")) == [str(tmp_path / "points.las")]
    assert (tmp_path / "points.las").read_bytes() == (dump / "points.las").read_bytes()
    sample.export("road-height", str(tmp_path / "map.master"))
    for name in ["map-r.master", "map-r.raw"]:
        assert (tmp_path / name).read_bytes() == (dump / name).read_bytes(), name
    with pytest.raises(quorvel.ExportError, match="No such file or directory"):
        sample.export("las", str(tmp_path / "absent" / "points.las"))


def test_query_equals_the_command_line(sample):
    printed = subprocess.run([CLI, "query", SAMPLE, "--line", "700", "--sample", "100"],
                             check=True, capture_output=True, text=True).stdout
    fields = dict(line.split(": ", 1) for line in printed.splitlines())
    assert sample.query(700, 100) == fields
    assert sample.query(-1, 100) is None


def test_two_projects_in_two_threads_keep_their_own_results(tmp_path):
    street = quorvel.simulate(str(tmp_path / "street"), lines=300, setup=1.0, seed=3)
    hills = quorvel.simulate(str(tmp_path / "hills"), scene="hills", lines=300, setup=0.25, seed=4)
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
    assert project.variance() is not None and same_bits(project.variance(), kept)
    assert len(project.regions()[1]) != len(segments)
    project.params.win_half_size = 2  # the surface estimation depends on it
    assert not same_bits(np.ascontiguousarray(project.variance()), kept)
    gc.collect()
    assert same_bits(variance, kept) and same_bits(labels, labels_kept)
    project.params.reset()
    assert same_bits(project.variance(), kept)
    with pytest.raises(ValueError):
        project.params.win_half_size = 13


def test_arrays_outlive_their_project():
    variance = quorvel.load(SAMPLE).variance()
    gc.collect()
    assert variance.shape == (1500, 361) and variance[700, 100] >= 0.0


def test_a_damaged_project_raises_load_error(tmp_path):
    mdl = quorvel.simulate(str(tmp_path), lines=20)
    ds = bytearray((tmp_path / "sim.ds").read_bytes())
    ds[4:8] = np.float32(2.0).tobytes()  # no accepted set-up has a resolution of 2 degrees
    (tmp_path / "sim.ds").write_bytes(bytes(ds))
    with pytest.raises(quorvel.LoadError) as error:
        quorvel.load(mdl)
    assert error.value.text == "Load Ds file failure."
    assert error.value.caption.endswith("sim.ds")
    assert "unsupported set-up" in error.value.reason


def test_bad_poses_give_nan_points_and_class_0(tmp_path):
    mdl = quorvel.simulate(str(tmp_path), lines=60, setup=1.0)
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

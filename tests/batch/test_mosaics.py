"""The batch's mosaics and point cloud read back through GDAL and checked against what they stand
for: the count mosaic is one run's count raster on the batch's grid, the road height mosaic one
run's heights where a single task covers a cell; both are Cloud-Optimized GeoTIFFs (GDAL's own
checker); two drives 50 km apart (a grid of 1.2e11 cells) give small files that store no empty
tile and whose overviews are the means of the level below; points.vpc lists every task's LAS file
as its header states it; a merge that cannot read a task raster or write (a full disk) fails and
leaves the previous files."""
import json
import os
import shutil
import subprocess
import sys

import numpy as np
import pytest

gdal = pytest.importorskip("osgeo.gdal")
gdal.UseExceptions()

CLI = os.environ["QUORVEL_CLI"]
TASKS = ["sim-0-249", "sim-250-499", "sim-500-599"]
SHIFT = (30000.0, 40000.0)  # east and north: 50 km
MAPS = "count-map,road-height"


def quorvel(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True)


def shifted_copy(source, target):
    """The project with every DS record's position moved by SHIFT."""
    shutil.copytree(source, target)
    raw = np.fromfile(os.path.join(source, "sim.ds"), np.uint8)
    size = 24 + 24 + 4 + 2 * 181  # the 1.0-degree set-up's records
    records = raw[12:].reshape(-1, size).copy()
    position = records[:, 24:48].copy().view("<f8")
    position[:, :2] += SHIFT
    records[:, 24:48] = position.view(np.uint8)
    np.concatenate([raw[:12], records.ravel()]).tofile(os.path.join(target, "sim.ds"))


@pytest.fixture(scope="module")
def day(tmp_path_factory):
    """A 600-line drive as a batch (b) and one run on its grid (u); it and a copy 50 km away as
    another batch (f)."""
    d = tmp_path_factory.mktemp("day")
    near, far = str(d / "near"), str(d / "far")
    assert quorvel("simulate", "--out", near, "--lines", "600", "--setup", "1.0",
                   "--seed", "4").returncode == 0
    shifted_copy(near, far)
    batch = ["--chunk-lines", "250", "--jobs", "2", "--epsg", "25832", "--quiet", "--export"]
    for args in (["batch", near + "/sim.mdl", "--out", str(d / "b"), *batch, MAPS + ",las,geotiff"],
                 ["run", near + "/sim.mdl", "--out", str(d / "u"), "--export", MAPS,
                  "--map-template", str(d / "b/grid.master"), "--quiet"],
                 ["batch", near + "/sim.mdl", far + "/sim.mdl", "--out", str(d / "f"), *batch,
                  MAPS]):
        run = quorvel(*args)
        assert run.returncode == 0, run.stdout + run.stderr
    return d


def header(path):
    fields = dict(line.split()[:2] for line in open(path) if line.strip())
    return {key: float(value) for key, value in fields.items()}


def raster(path):
    h = header(path + ".master")
    return np.fromfile(path + ".raw", np.uint8).reshape(int(h["length"]), int(h["width"])), h


def level(path, k=0):
    """Level k of the file: its band (k = 0) or overview k - 1, and the array, top row first."""
    dataset = gdal.Open(str(path))
    band = dataset.GetRasterBand(1)
    band = band if k == 0 else band.GetOverview(k - 1)
    return dataset, band


def cells(path, k=0, window=None):
    dataset, band = level(path, k)
    return band.ReadAsArray(*(window or ())).astype(np.float64)


def same(a, b):
    return a.shape == b.shape and np.array_equal(a, b, equal_nan=True)


def test_mosaics_equal_one_runs_rasters(day):
    counts, _ = raster(str(day / "u/map-h"))
    assert same(cells(day / "b/mosaic/map-h.tif")[::-1], counts)
    levels, h = raster(str(day / "u/map-r"))
    covering, demres = np.zeros(levels.shape, int), 0.0
    for task in TASKS:
        placed = json.load(open(day / "b/tasks" / task / "task.json"))["rasters"]["map-r"]
        own, _ = raster(str(day / "b/tasks" / task / "map-r"))
        rows, columns = placed["row"], placed["column"]
        covering[rows:rows + own.shape[0], columns:columns + own.shape[1]] += own > 0
        demres = max(demres, placed["demres"])
    one = (covering == 1) & (levels > 0)
    heights = cells(day / "b/mosaic/map-r.tif")[::-1]
    # Each quantises its own heights; a few cells differ more where a range clips a point.
    close = np.abs(heights[one] - (h["oz"] + levels[one] * h["demres"])) <= h["demres"] + demres
    assert one.sum() > 10000 and close.mean() > 0.9


def test_mosaics_are_cloud_optimized_geotiffs(day):
    for path in ["b/mosaic/map-h.tif", "b/mosaic/map-r.tif", "b/tasks/sim-0-249/map-r.tif",
                 "f/mosaic/map-h.tif", "f/mosaic/map-r.tif"]:
        check = subprocess.run(
            [sys.executable, "-m", "osgeo_utils.samples.validate_cloud_optimized_geotiff",
             str(day / path)], capture_output=True, text=True)
        assert check.returncode == 0 and "is a valid cloud optimized GeoTIFF" in check.stdout, (
            path + check.stdout + check.stderr)
        info = gdal.Info(str(day / path))
        assert "COMPRESSION=ZSTD" in info and "Block=512x512" in info, info
        assert ("Overviews:" in info) == path.startswith("f/"), info
        assert 'ID["EPSG",25832]' in info, info


def expected_level(below, counts):
    """The next level's cells from those below (NaN: beyond the level or no-data)."""
    padded = np.pad(below, [(0, below.shape[0] % 2), (0, below.shape[1] % 2)],
                    constant_values=np.nan)
    quads = padded.reshape(padded.shape[0] // 2, 2, padded.shape[1] // 2, 2)
    n, total = (~np.isnan(quads)).sum(axis=(1, 3)), np.nansum(quads, axis=(1, 3))
    with np.errstate(invalid="ignore", divide="ignore"):
        return (total + n // 2) // n if counts else (total / n).astype(np.float32)


def test_drives_far_apart_get_small_mosaics_with_overviews(day):
    grid = header(str(day / "f/grid.master"))
    assert grid["width"] * grid["length"] > 2**31
    for name in ["map-h", "map-r"]:
        path = day / "f/mosaic" / (name + ".tif")
        dataset, band = level(path)
        sizes = [(band.XSize, band.YSize)] + [
            (band.GetOverview(i).XSize, band.GetOverview(i).YSize)
            for i in range(band.GetOverviewCount())]
        assert max(sizes[-1]) <= 1024 < max(sizes[-2])
        tiles = sum(-(-x // 512) * -(-y // 512) for x, y in sizes)
        assert os.path.getsize(path) < 8 * tiles + 1_000_000  # the tiles' offsets and the data
        middle = "BLOCK_OFFSET_%d_%d" % (sizes[0][0] // 1024, sizes[0][1] // 1024)
        assert band.GetMetadataItem(middle, "TIFF") is None
        # The near drive's corner is the near batch's mosaic, cell for cell.
        near = cells(day / "b/mosaic" / (name + ".tif"))
        bottom = sizes[0][1] - near.shape[0]
        assert same(cells(path, 0, (0, bottom, near.shape[1], near.shape[0])), near)
        for k in range(1, len(sizes)):  # each level's bottom left corner from the level below
            width, length = min(sizes[k][0], 600), min(sizes[k][1], 600)
            top = sizes[k][1] - length
            below = cells(path, k - 1, (0, 2 * top, min(2 * width, sizes[k - 1][0]),
                                        sizes[k - 1][1] - 2 * top))
            if name == "map-r":
                below[below != below] = np.nan
            assert same(cells(path, k, (0, top, width, length)),
                        expected_level(below, name == "map-h").astype(np.float64)), (name, k)


def test_points_vpc_lists_every_tasks_las_file(day):
    vpc = json.load(open(day / "b/mosaic/points.vpc"))
    assert vpc["type"] == "FeatureCollection"
    assert sorted(item["id"] for item in vpc["features"]) == TASKS
    for item in vpc["features"]:
        assert item["type"] == "Feature" and item["stac_version"] == "1.0.0"
        assert any("/pointcloud/" in e for e in item["stac_extensions"])
        assert any("/projection/" in e for e in item["stac_extensions"])
        p = item["properties"]
        assert p["pc:type"] == "lidar" and p["pc:encoding"] and len(p["pc:schemas"]) == 18
        assert 'ID["EPSG",25832]' in p["proj:wkt2"]
        assert item["geometry"]["type"] == "Polygon" and p["proj:geometry"]["type"] == "Polygon"
        lon, lat = item["bbox"][0], item["bbox"][1]
        assert 4 < lon < 5 and -1 < lat < 1  # UTM 32N's false easting lies at 9 degrees east
        href = item["assets"]["data"]["href"]
        assert href.startswith("./")
        las = open(os.path.join(day / "b/mosaic", href), "rb").read(375)
        assert las[:4] == b"LASF"
        count = np.frombuffer(las, "<u8", 1, 247)[0]
        bounds = np.frombuffer(las, "<f8", 6, 179)  # max x, min x, max y, min y, max z, min z
        assert p["pc:count"] == count > 0
        assert p["proj:bbox"] == [bounds[1], bounds[3], bounds[5], bounds[0], bounds[2], bounds[4]]


def test_a_merge_that_cannot_read_or_write_keeps_the_previous_mosaics(day):
    mosaic = day / "b/mosaic"
    before = {name: (mosaic / name).read_bytes() for name in os.listdir(mosaic)}
    record = day / "b/tasks/sim-250-499/task.json"
    kept = record.read_text()
    changed = json.loads(kept)
    changed["rasters"]["map-h"]["width"] += 8  # the raster file holds fewer rows than that
    record.write_text(json.dumps(changed))
    try:
        unreadable = quorvel("merge", str(day / "b"))
    finally:
        record.write_text(kept)
    full = subprocess.run(["sh", "-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" merge \"$1\"", CLI,
                           str(day / "b")], capture_output=True, text=True)
    raw = str(day / "b/tasks/sim-250-499/map-h.raw")
    assert unreadable.returncode == 1 and full.returncode == 1
    assert ("Merge failure.: %s (cannot read the raster: the raster is shorter than its header "
            "says)" % raw) in unreadable.stderr, unreadable.stderr
    assert "Merge failure.: %s/map-h.tif (File too large)" % mosaic in full.stderr, full.stderr
    assert {name: (mosaic / name).read_bytes() for name in os.listdir(mosaic)} == before

"""The batch page in a real browser (headless Chromium through Selenium), opened as a file: a
batch of three small drives, one of whose tasks fails. The page loads without a console error
and fetches nothing but its folder's files; it shows one footprint per task in its state, the
failed task's reason on a click, one failure in the list; the count and height tiles switch and
show the legend's colours for the cells' values, nothing where there is no data; the folder moved
elsewhere shows the same. Screenshots go to $QUORVEL_TEST_OUTPUT."""
import io
import json
import math
import os
import shutil
import subprocess
import time

import numpy as np
import pytest
from PIL import Image

webdriver = pytest.importorskip("selenium.webdriver")
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

CLI = os.environ["QUORVEL_CLI"]
OUTPUT = os.environ.get("QUORVEL_TEST_OUTPUT", "page-screenshots")
CHROMEDRIVER = "/usr/bin/chromedriver"
SHIFTS = {"a": (0.0, 0.0), "b": (0.0, 45.0), "c": (0.0, -45.0)}  # each drive its own street
FAILED = "tasks/sim.3-0-149"


def quorvel(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True)


def positions(folder):
    """The DS file's bytes and every record's vehicle position (the 1.0-degree set-up's)."""
    raw = np.fromfile(os.path.join(folder, "sim.ds"), np.uint8)
    records = raw[12:].reshape(-1, 24 + 24 + 4 + 2 * 181).copy()
    return raw, records, records[:, 24:48].copy().view("<f8")


def shift_drive(folder, shift):
    """Moves every DS record's vehicle position by shift."""
    raw, records, position = positions(folder)
    position[:, :2] += shift
    records[:, 24:48] = position.view(np.uint8)
    np.concatenate([raw[:12], records.ravel()]).tofile(os.path.join(folder, "sim.ds"))


@pytest.fixture(scope="module")
def batch(tmp_path_factory):
    """Drives a (300 lines: two tasks), b (200: two) and c (150: one, which fails: a folder
    stands where it writes its LAS file)."""
    d = tmp_path_factory.mktemp("page")
    for name, lines, seed in [("a", 300, 4), ("b", 200, 9), ("c", 150, 5)]:
        assert quorvel("simulate", "--out", str(d / name), "--lines", str(lines), "--setup", "1.0",
                       "--seed", str(seed)).returncode == 0
        shift_drive(str(d / name), SHIFTS[name])
    os.makedirs(d / "B" / FAILED / "points.las")
    run = subprocess.Popen([CLI, "batch", *[str(d / n / "sim.mdl") for n in "abc"], "--out",
                            str(d / "B"), "--chunk-lines", "150", "--export",
                            "count-map,road-height,las,geotiff", "--epsg", "25832", "--quiet"],
                           stdout=subprocess.PIPE, text=True)
    seen = set()  # the page's stages and task states as the batch goes
    while run.poll() is None:
        try:
            data = json.loads(open(d / "B/view/batch.js").read().split("=", 1)[1].rstrip(";\n"))
            seen |= {(data["stage"], t["state"]) for t in data["tasks"]}
        except (OSError, ValueError):
            pass
        time.sleep(0.01)
    assert run.returncode == 1 and "4 of 5 tasks done, 1 failed" in run.stdout.read()
    assert ("running", "running") in seen, seen  # the first task, as soon as it started
    return d / "B"


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    if not os.path.exists(CHROMEDRIVER):
        pytest.skip("chromium-driver is not installed")
    options = webdriver.ChromeOptions()
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--window-size=1200,800", "--force-device-scale-factor=1",
                 "--user-data-dir=" + str(tmp_path_factory.mktemp("profile"))]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=webdriver.chrome.service.Service(CHROMEDRIVER),
                              options=options)
    yield driver
    driver.quit()


def settle(driver):
    """Waits until the shown tiles are loaded and faded in."""
    driver.execute_async_script("""
        const done = arguments[0], page = window.quorvelPage;
        const layers = Object.values(page.tiles).filter(l => page.map.hasLayer(l));
        if (!layers.length || !layers[0].isLoading()) done();
        else layers[0].once('load', () => done());""")
    WebDriverWait(driver, 5).until(lambda d: d.execute_script(
        "return [...document.querySelectorAll('canvas.leaflet-tile')].every(i => i.style.opacity == 1)"))


def open_page(driver, folder):
    """Opens the page; its console messages and what it loaded, once the tiles are there."""
    driver.get_log("browser")
    driver.get("file://" + str(folder) + "/index.html")
    settle(driver)
    resources = driver.execute_script("""
        return [...document.querySelectorAll('script, link, img')]
            .map(e => e.src || e.href).concat(location.href);""")
    return driver.get_log("browser"), resources


def screenshot(driver, name):
    os.makedirs(OUTPUT, exist_ok=True)
    driver.save_screenshot(os.path.join(OUTPUT, name))


def footprint_states(driver):
    return sorted(e.get_attribute("class").split("state-")[1].split()[0]
                  for e in driver.find_elements(By.CSS_SELECTOR, "path.footprint"))


def test_the_page_shows_the_batch_its_tasks_and_the_failure(batch, browser):
    log, resources = open_page(browser, batch)
    assert not [m for m in log if m["level"] == "SEVERE"], log
    assert resources and all(r.startswith("file://" + str(batch) + "/") for r in resources)
    summary = browser.find_element(By.ID, "summary").text
    assert "4 of 5 tasks done · 1 failed · 0 not run · 90 500 samples" in summary.replace(
        "\u202f", " "), summary
    assert "quorvel batch " in summary and "EPSG:25832" in summary
    assert footprint_states(browser) == ["done"] * 4 + ["failed"]
    assert len(browser.find_elements(By.CSS_SELECTOR, "path.track")) == 3
    screenshot(browser, "map.png")

    failed = browser.find_element(By.CSS_SELECTOR, "path.footprint.state-failed")
    webdriver.ActionChains(browser).move_to_element(failed).click().perform()
    reason = browser.find_element(By.CSS_SELECTOR, "#task .reason").text
    assert reason.startswith("Export las failure.: ") and FAILED + "/points.las" in reason, reason
    links = [a.get_attribute("href") for a in browser.find_elements(By.CSS_SELECTOR, "#task a")]
    assert "file://%s/%s/task.log" % (batch, FAILED) in links and len(links) > 5
    screenshot(browser, "task.png")

    browser.execute_script("window.quorvelPage.map.setView([0, 0], 0, {animate: false})")  # away
    failures = browser.find_elements(By.CSS_SELECTOR, "#failures a.failure")
    assert [a.text for a in failures] == [FAILED]
    failures[0].click()
    footprint = json.load(open(batch / FAILED / "task.json"))["footprint"]
    WebDriverWait(browser, 5).until(lambda driver: driver.execute_script("""
        const f = arguments[0], map = window.quorvelPage.map;
        const box = L.latLngBounds([f[1], f[0]], [f[3], f[2]]);
        return map.getBounds().contains(box) && map.getZoom() == map.getBoundsZoom(box);""",
                                                                       footprint))
    screenshot(browser, "failure.png")


def header(path):
    return {k: float(v) for k, v in (line.split()[:2] for line in open(path) if line.strip())}


def counts_on_grid(batch):
    """The count mosaic as the done tasks' rasters summed (255 at most), row 0 at y = oy."""
    grid = header(batch / "grid.master")
    counts = np.zeros((int(grid["length"]), int(grid["width"])), np.int32)
    for record in batch.glob("tasks/*/task.json"):
        task = json.load(open(record))
        if task["state"] == "done":
            w = task["rasters"]["map-h"]
            raw = np.fromfile(record.parent / "map-h.raw", np.uint8)
            counts[w["row"]:w["row"] + w["length"], w["column"]:w["column"] + w["width"]] += (
                raw.reshape(w["length"], w["width"]))
    return np.minimum(counts, 255), grid


def ramp_colour(stops, value):
    """The legend's ramp: linear in the logarithm of a count between stops, rounded."""
    for (v0, c0), (v1, c1) in zip(stops, stops[1:]):
        if v0 <= value <= v1:
            t = (math.log(value) - math.log(v0)) / (math.log(v1) - math.log(v0))
            return tuple(int(math.floor(a + t * (b - a) + 0.5)) for a, b in
                         zip(bytes.fromhex(c0[1:]), bytes.fromhex(c1[1:])))
    raise ValueError(value)


def pixels_at(driver, places):
    """The screenshot's RGB at the given grid x, y (the map's container offset added)."""
    points = driver.execute_script("""
        const map = window.quorvelPage.map, box = map.getContainer().getBoundingClientRect();
        return arguments[0].map(p => {
            const at = map.latLngToContainerPoint([p[1], p[0]]);
            return [Math.round(box.left + at.x), Math.round(box.top + at.y)];
        });""", places)
    image = Image.open(io.BytesIO(driver.get_screenshot_as_png())).convert("RGB")
    return [image.getpixel(tuple(p)) for p in points]


def tile_layer_of_images(driver):
    return set(driver.execute_script(
        "return [...document.querySelectorAll('canvas.leaflet-tile')].map(c => c.dataset.layer)"))


def test_tiles_show_the_legends_colours_and_switch(batch, browser):
    open_page(browser, batch)
    counts, grid = counts_on_grid(batch)
    tiles = json.loads(open(batch / "view/tiles.js").read().split("=", 1)[1].rstrip(";\n"))
    stops = tiles["layers"][0]["stops"]
    assert tiles["layers"][0]["name"] == "count" and tile_layer_of_images(browser) == {"count"}
    # Cells of three counts and an empty one far from them, each drawn 4 x 4 pixels.
    cells = [tuple(np.argwhere(counts == c)[0]) for c in sorted(set(counts.ravel()))[1:][:3]]
    empty = tuple(np.argwhere(counts == 0)[-1])
    places = [(grid["ox"] + c * grid["pixelsize"], grid["oy"] + r * grid["pixelsize"])
              for r, c in cells + [empty]]
    browser.execute_script("""
        const page = window.quorvelPage;
        page.map.removeLayer(page.footprints).removeLayer(page.tracks);""")
    for place, cell in zip(places, cells + [empty]):
        browser.execute_script("window.quorvelPage.map.setView([arguments[1], arguments[0]], "
                               "window.quorvelPage.fullZoom + 2, {animate: false})", *place)
        settle(browser)
        expected = ramp_colour(stops, counts[cell]) if counts[cell] else (255, 255, 255)
        assert pixels_at(browser, [place]) == [expected], (cell, counts[cell])
    screenshot(browser, "counts.png")
    browser.find_element(By.CSS_SELECTOR, "input[value=height]").click()
    settle(browser)
    assert tile_layer_of_images(browser) == {"height"}
    assert "Road height (m)" in browser.find_element(By.ID, "legend").text


def test_a_task_records_its_drive_as_a_short_line(batch):
    track = np.array(json.load(open(batch / "tasks/sim-150-299/task.json"))["track"])
    records = positions(str(batch.parent / "a"))[2]  # line l is record 200 + l
    lines = np.round(records[200 + 150:200 + 300, :2], 3)
    assert 50 <= len(track) <= 100
    assert (track[0] == lines[0]).all() and (track[-1] == lines[-1]).all()
    assert all((lines == vertex).all(axis=1).any() for vertex in track)


def test_the_moved_folder_shows_the_same(batch, browser, tmp_path):
    moved = tmp_path / "elsewhere" / "day"
    shutil.copytree(batch, moved)
    open_page(browser, batch)
    before = browser.find_element(By.ID, "summary").text, footprint_states(browser)
    log, resources = open_page(browser, moved)
    assert not [m for m in log if m["level"] == "SEVERE"], log
    assert resources and all(r.startswith("file://" + str(moved) + "/") for r in resources)
    assert (browser.find_element(By.ID, "summary").text, footprint_states(browser)) == before

"""The module under threads, processes and Ctrl-C: parameter changes against running stages,
a process pool with a missing project, a stage stopped by KeyboardInterrupt."""
import _thread
import errno
import threading
from concurrent.futures import ProcessPoolExecutor

import numpy as np
import pytest

import quorvel
from conftest import SAMPLE, same_bits

SETTINGS = [{"win_half_size": 3, "min_region_size": 10}, {"win_half_size": 4, "min_region_size": 40}]
CALLS = {
    "variance": lambda p: np.array(p.variance(threads=2)),
    "labels": lambda p: np.array(p.regions(threads=1)[0]),
    "picture": lambda p: p.picture("variance"),
    "segment count": lambda p: len(p.regions()[1]),
}


def test_parameter_changes_against_running_stages(tmp_path):
    """Three threads compute while the main thread keeps changing the parameters: every result
    is the serial one of some setting."""
    mdl = quorvel.simulate(tmp_path, lines=400, seed=7)
    serial = []
    for setting in SETTINGS:
        with quorvel.load(mdl) as alone:
            alone.params = setting
            serial.append({name: call(alone) for name, call in CALLS.items()})
    project = quorvel.load(mdl)
    groups = (["variance", "labels"], ["picture"], ["segment count", "variance"])
    results, failures, rounds, stop = [], [], [0] * len(groups), threading.Event()

    def compute(worker):
        try:
            while not stop.is_set():
                results.extend((name, CALLS[name](project)) for name in groups[worker])
                rounds[worker] += 1
        except Exception as error:
            failures.append(error)

    workers = [threading.Thread(target=compute, args=(k,)) for k in range(len(groups))]
    for worker in workers:
        worker.start()
    for change in range(8):
        before = list(rounds)
        project.params = SETTINGS[change % 2]  # waits for the call running on the project
        while not failures and any(r < b + 2 for r, b in zip(rounds, before)):
            stop.wait(0.01)  # two more rounds each: one ran wholly under the new setting
    stop.set()
    for worker in workers:
        worker.join()
    assert not failures
    seen = {name: set() for name in CALLS}
    for name, result in results:
        matches = {k for k, expected in enumerate(serial) if np.array_equal(result, expected[name])}
        assert matches, name
        seen[name] |= matches
    assert all(settings == {0, 1} for settings in seen.values()), seen


def lines_of(path):
    return quorvel.load(path).lines


def test_a_process_pool_fails_only_the_missing_project(tmp_path):
    missing = tmp_path / "missing.mdl"
    with ProcessPoolExecutor(2) as pool:
        futures = [pool.submit(lines_of, path) for path in (SAMPLE, missing, SAMPLE)]
        assert futures[0].result() == futures[2].result() == 1500
        with pytest.raises(quorvel.LoadError) as raised:
            futures[1].result()
    error = raised.value
    assert isinstance(error, FileNotFoundError) and error.errno == errno.ENOENT
    assert error.filename == error.caption == str(missing)
    assert error.text == "Load MDL file failure." and "No such file" in error.reason


@pytest.mark.parametrize("call, before, ready", [
    ("variance", lambda p: None, frozenset()),  # the surface estimation, on every core
    ("regions", lambda p: p.variance(), {"surface"}),  # the region segmentation, ~1 s
])
def test_ctrl_c_stops_a_stage_and_leaves_the_project_as_it_was(long_drive, call, before, ready):
    project = quorvel.load(long_drive)
    before(project)
    interrupt = threading.Timer(0.1, _thread.interrupt_main)
    interrupt.start()
    with pytest.raises(KeyboardInterrupt):
        getattr(project, call)()
    interrupt.join()
    assert project.computed == ready  # stopped, not interrupted after its end
    again, fresh = getattr(project, call)(), getattr(quorvel.load(long_drive), call)()
    pairs = zip(again, fresh) if call == "regions" else [(again, fresh)]  # labels and segments
    assert all(same_bits(a, b) for a, b in pairs)

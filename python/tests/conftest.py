"""What the module's tests share: the bundled sample, the command line, a longer drive."""
import os
import subprocess
from pathlib import Path

import pytest

import quorvel

CLI = os.environ["QUORVEL_CLI"]
SAMPLE = Path(os.environ["QUORVEL_SAMPLE"]).resolve() / "sim.mdl"
SOURCE = Path(os.environ["QUORVEL_SOURCE_DIR"]).resolve()


def same_bits(a, b):
    return a.shape == b.shape and a.dtype == b.dtype and a.tobytes() == b.tobytes()


@pytest.fixture(scope="session")
def sample():
    return quorvel.load(SAMPLE)


@pytest.fixture(scope="session")
def dump(tmp_path_factory):
    """What `quorvel run` writes for the sample: every dump and picture, and two exports."""
    out = tmp_path_factory.mktemp("cli")
    subprocess.run([CLI, "run", SAMPLE, "--out", out, "--dump",
                    "--images", ",".join(quorvel.PICTURES),
                    "--export", "las,road-height", "--quiet"], check=True, capture_output=True)
    return out


@pytest.fixture(scope="session")
def long_drive(tmp_path_factory):
    """A 10 000-line street: its surface estimation and its region segmentation take about a
    second each."""
    return quorvel.simulate(tmp_path_factory.mktemp("long"), lines=10000, seed=3)

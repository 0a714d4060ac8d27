"""The build of the `quorvel` package behind `pip install .` and `pip wheel .`: the extension
quorvel._core comes from the project's own CMake build (target quorvel_python, in
build/pip or $QUORVEL_PIP_BUILD_DIR, kept between builds), the Python files from python/quorvel.
Needs what scripts/install-deps installs; downloads nothing."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    """The one version number, from the project() line of CMakeLists.txt."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(Quorvel VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        import pybind11

        build = Path(os.environ.get("QUORVEL_PIP_BUILD_DIR", ROOT / "build" / "pip"))
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
             "-DCMAKE_BUILD_TYPE=Release", "-DQUORVEL_TESTS=OFF", "-DQUORVEL_BENCH=OFF",
             f"-DPython3_EXECUTABLE={sys.executable}", f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"],
            check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "quorvel_python"], check=True)
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(build / "python" / "quorvel" / target.name, target)


SETUPTOOLS_BUILD = ROOT / "build" / "pip-setuptools"  # setuptools' own folders, out of the sources
SETUPTOOLS_BUILD.mkdir(parents=True, exist_ok=True)
setup(
    version=project_version(),
    ext_modules=[Extension("quorvel._core", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": str(SETUPTOOLS_BUILD)},
             "egg_info": {"egg_base": str(SETUPTOOLS_BUILD)}},
)

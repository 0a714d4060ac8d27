"""The README's Python section as a user follows it: its install commands into a fresh virtual
environment (pip builds from the checkout, downloading nothing), then its example as written; the
installed package's metadata, stubs and wheel. The first run builds the core (minutes)."""
import ast
import os
import re
import subprocess
import zipfile

import quorvel
from conftest import SOURCE


def readme_blocks():
    section = (SOURCE / "README.md").read_text().split("\n## Python\n")[1].split("\n## ")[0]
    return dict(re.findall(r"```(sh|python)\n(.*?)```", section, re.S))


def public_names(members):
    return {name for name in members if not name.startswith("_")}


def stub_names():
    """The names the type stubs declare: at the top and in Project and Params."""
    tree = ast.parse((SOURCE / "python" / "quorvel" / "_core.pyi").read_text())

    def names(body):
        found = set()
        for node in body:
            if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
                found.add(node.name)
            elif isinstance(node, ast.AnnAssign):
                found.add(node.target.id)
        return found

    classes = {node.name: names(node.body) for node in tree.body if isinstance(node, ast.ClassDef)}
    return names(tree.body), classes


def test_the_readme_installs_into_a_fresh_venv_and_its_example_runs(tmp_path):
    blocks = readme_blocks()
    venv = tmp_path / "venv"
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["CMAKE_BUILD_PARALLEL_LEVEL"] = "2"
    commands = [line.split("  #")[0].strip() for line in blocks["sh"].splitlines()]
    run = [command.replace(".venv", str(venv)) for command in commands
           if command and not command.startswith("scripts/")]
    assert run[0].startswith("/usr/bin/python3 -m venv") and "pip install" in run[1]
    for command in run[:2]:
        subprocess.run(command, shell=True, cwd=SOURCE, env=env, check=True, capture_output=True)
    (tmp_path / "sample").symlink_to(SOURCE / "sample")
    (tmp_path / "example.py").write_text(blocks["python"])
    printed = subprocess.run(run[2], shell=True, cwd=tmp_path, env=env, check=True,
                             capture_output=True, text=True).stdout
    assert "segments; largest:" in printed and (tmp_path / "out" / "sample.las").stat().st_size > 0

    python = venv / "bin" / "python"
    probe = ("import importlib.metadata as m, os, quorvel; "
             "print(quorvel.__file__, m.version('quorvel'), m.requires('quorvel'), "
             "sorted(os.listdir(os.path.dirname(quorvel.__file__))))")
    installed = subprocess.run([python, "-c", probe], cwd=tmp_path, env=env, check=True,
                               capture_output=True, text=True).stdout
    assert installed.startswith(str(venv)) and f" {quorvel.__version__} ['numpy'] " in installed
    assert "'_core.pyi'" in installed and "'py.typed'" in installed

    subprocess.run([python, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-w",
                    tmp_path / "wheels", "."], cwd=SOURCE, env=env, check=True, capture_output=True)
    [wheel] = (tmp_path / "wheels").iterdir()
    files = zipfile.ZipFile(wheel).namelist()
    assert {"quorvel/__init__.py", "quorvel/py.typed", "quorvel/_core.pyi"} <= set(files)
    assert any(name.startswith("quorvel/_core.cpython") for name in files)


def test_the_stubs_declare_what_the_module_has():
    top, classes = stub_names()
    assert public_names(dir(quorvel._core)) == public_names(top)
    assert public_names(dir(quorvel.Project)) == public_names(classes["Project"])
    assert public_names(dir(quorvel.Params)) == public_names(classes["Params"])
    for name in public_names(dir(quorvel.Project)):
        assert getattr(quorvel.Project, name).__doc__, name

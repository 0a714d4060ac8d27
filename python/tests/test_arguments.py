"""Arguments as Python users pass them: pathlib paths, clear errors for invalid values that
change nothing, the mask, and OSError-style exceptions that pickle whole."""
import errno
import pickle
import re
from pathlib import Path

import numpy as np
import pytest

import quorvel
from conftest import SAMPLE

INVALID = [
    (lambda p: p.variance(threads=2**40), ValueError, "threads must be an integer in 1 ... 1024"),
    (lambda p: p.variance(threads=0), ValueError, "threads must be an integer in 1"),
    (lambda p: p.points(threads=1.5), TypeError, "threads must be an integer, not float"),
    (lambda p: setattr(p.params, "win_half_size", 2.5), TypeError, "win_half_size must be an int"),
    (lambda p: setattr(p.params, "win_half_size", 13), ValueError, "in 1 ... 12, not 13"),
    (lambda p: setattr(p.params, "min_region_size", -1), ValueError, "min_region_size must be"),
    (lambda p: setattr(p.params, "max_point_dist", float("nan")), ValueError, "finite number above 0"),
    (lambda p: setattr(p.params, "max_point_dist", 0), ValueError, "above 0.0, not 0"),
    (lambda p: setattr(p.params, "variance_tol", -0.1), ValueError, "variance_tol must be a finite"),
    (lambda p: setattr(p.params, "max_fit_residual", "0.2"), TypeError, "a real number, not str"),
    (lambda p: setattr(p, "params", {"win_half_size": 5, "bogus": 1}), ValueError, "'bogus'"),
    (lambda p: setattr(p, "params", [("win_half_size", 5)]), TypeError, "params must be a mapping"),
    (lambda p: setattr(p, "mask", (20, 10)), ValueError, "mask's last sample must be an integer in 20"),
    (lambda p: setattr(p, "mask", (-5, 99999)), ValueError, "mask's first sample must be an integer in 0 ... 360"),
    (lambda p: setattr(p, "mask", "10:20"), TypeError, "mask must be a pair of integers"),
    (lambda p: p.picture("bogus"), ValueError, "unknown picture 'bogus'"),
    (lambda p: p.picture("range", layout="rows"), ValueError, "unknown layout 'rows'"),
    (lambda p: p.valid("bogus"), ValueError, "unknown result 'bogus'"),
    (lambda p: p.query(1500, 0), IndexError, "line 1500 is out of range for 1500"),
    (lambda p: p.query(0, -362), IndexError, "sample -362 is out of range for 361"),
    (lambda p: p.query(0.5, 0), TypeError, "line must be an integer, not float"),
    (lambda p: p.export("bogus", "x"), ValueError, "unknown export 'bogus'"),
    (lambda p: p.export("las", 5), TypeError, "path must be a str, bytes or os.PathLike"),
    (lambda p: p.export("las", "x.las", map_template="t"), ValueError, "map_template is for"),
    (lambda p: p.export("las", "x.las", epsg=4326), ValueError, "epsg is for geotiff and kerbs"),
    (lambda p: p.export("geotiff", "x.master", epsg=0), ValueError, "epsg must be an integer"),
    (lambda p: p.export("geotiff", "x.master", epsg=4326), ValueError, "not a projected"),
    (lambda p: quorvel.simulate("x", seed=-1), ValueError, "seed must be an integer in 0"),
    (lambda p: quorvel.simulate("x", lines=0), ValueError, "lines must be an integer in 1"),
    (lambda p: quorvel.simulate("x", setup=0.3), ValueError, "unsupported resolution"),
    (lambda p: quorvel.simulate("x", scene="moon"), ValueError, "unknown scene"),
    (lambda p: quorvel.load(42), TypeError, "path must be a str, bytes or os.PathLike"),
    (lambda p: quorvel.load(SAMPLE, mask=(0, 361)), ValueError, "in 0 ... 360, not 361"),
]


def test_invalid_arguments_raise_clear_errors_and_change_nothing(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    project = quorvel.load(SAMPLE)
    for call, kind, message in INVALID:
        with pytest.raises(kind, match=re.escape(message)):
            call(project)
    assert project.params.as_dict() == quorvel.load(SAMPLE).params.as_dict()
    assert project.mask is None and project.computed == frozenset()
    assert not list(tmp_path.iterdir())


def test_paths_may_be_pathlib_and_errors_say_what_python_expects(tmp_path):
    mdl = quorvel.simulate(tmp_path / "drive", lines=30)
    assert mdl == str(tmp_path / "drive" / "sim.mdl")
    project = quorvel.load(Path(mdl), mask=(10, 20))
    assert project.mask == (10, 20) and project.path == mdl
    template = tmp_path / "grid.master"
    project.export("count-map", tmp_path / "first.master")
    (tmp_path / "first-h.master").rename(template)
    assert project.export("count-map", tmp_path / "map.master", map_template=template) == [
        str(tmp_path / f"map-h.{ext}") for ext in ("master", "raw")]
    project.mask = None
    assert project.mask is None
    for kwargs, target, missing in [({}, tmp_path / "absent" / "p.las", tmp_path / "absent" / "p.las"),
                                    ({"map_template": tmp_path / "no.master"}, tmp_path / "m.master",
                                     tmp_path / "no.master")]:
        name = "count-map" if kwargs else "las"
        with pytest.raises(quorvel.ExportError) as raised:
            project.export(name, target, **kwargs)
        error = raised.value
        assert isinstance(error, FileNotFoundError) and error.errno == errno.ENOENT
        assert error.filename == str(missing) and error.strerror == "No such file or directory"
        assert str(error).startswith(f"Export {name} failure.: {missing}")
        again = pickle.loads(pickle.dumps(error))
        assert type(again) is type(error) and again.args == error.args and again.errno == errno.ENOENT


def test_a_damaged_project_raises_load_error(tmp_path):
    mdl = quorvel.simulate(tmp_path, lines=20)
    ds = bytearray((tmp_path / "sim.ds").read_bytes())
    ds[4:8] = np.float32(2.0).tobytes()  # no accepted set-up has a resolution of 2 degrees
    (tmp_path / "sim.ds").write_bytes(bytes(ds))
    with pytest.raises(quorvel.LoadError) as raised:
        quorvel.load(mdl)
    error = raised.value
    assert isinstance(error, OSError) and not isinstance(error, FileNotFoundError)
    assert error.text == "Load Ds file failure." and error.errno is None
    assert error.caption.endswith("sim.ds") and error.filename == error.caption
    assert "unsupported set-up" in error.reason
    again = pickle.loads(pickle.dumps(error))
    assert type(again) is quorvel.LoadError and str(again) == str(error)

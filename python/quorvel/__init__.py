"""Quorvel: range images, surface features, segmentation and exports of DS scans of a
vehicle-borne line-scanning laser range finder, as NumPy arrays.

    import quorvel
    with quorvel.load("sample/sim.mdl") as p:
        labels, segments = p.regions()

Arrays are indexed [scan line, sample]; see help(quorvel.Project).
"""

from quorvel._core import (
    EXPORTS,
    LINE_CLASSES,
    MAX_SEGMENTS,
    NO_NORMAL,
    NO_VARIANCE,
    PICTURES,
    SURFACE_CLASSES,
    Params,
    Project,
    __version__,
    load,
    simulate,
)
from quorvel._errors import ExportError, LoadError

__all__ = [
    "EXPORTS",
    "LINE_CLASSES",
    "MAX_SEGMENTS",
    "NO_NORMAL",
    "NO_VARIANCE",
    "PICTURES",
    "SURFACE_CLASSES",
    "ExportError",
    "LoadError",
    "Params",
    "Project",
    "__version__",
    "load",
    "simulate",
]

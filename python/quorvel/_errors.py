"""The module's exceptions: OSError subclasses with errno, strerror and filename, which pickle
with everything they carry (so that a process pool hands them back whole)."""

import errno as _errno
import os

__all__ = ["LoadError", "ExportError"]


def _error_number(reason):
    """The errno whose text ends the reason ("cannot open the file: No such file or
    directory"), or None when the operating system did not refuse."""
    for number in sorted(_errno.errorcode):
        text = os.strerror(number)
        if reason == text or reason.endswith(": " + text) or reason.endswith("; " + text):
            return number
    return None


class _FileFailure(OSError):
    """text: the message; filename: the file; reason: why, in words."""

    def __init__(self, text, filename, reason):
        number = _error_number(reason)
        super().__init__(number, os.strerror(number) if number is not None else reason, filename)
        self.args = (text, filename, reason)
        self.text, self.reason = text, reason

    def __str__(self):
        return f"{self.text}: {self.filename} ({self.reason})"


class LoadError(_FileFailure):
    """A project that cannot be loaded, with the window's message: ``text`` ("Load Ds file
    failure."), ``caption`` (the file that failed, also ``filename``) and ``reason``. Also a
    FileNotFoundError, PermissionError, ... when the operating system refused the file
    (``errno``)."""

    __module__ = "quorvel"

    def __init__(self, text, caption, reason):
        super().__init__(text, caption, reason)
        self.caption = caption

    def __reduce__(self):
        return (load_error, self.args)


class ExportError(_FileFailure):
    """An export that could not be written whole; the previous file of that name is untouched.
    ``text`` ("Export las failure."), ``filename`` (the file that could not be written) and
    ``reason``. Also a FileNotFoundError for a missing folder, a PermissionError, ... when the
    operating system refused (``errno``)."""

    __module__ = "quorvel"

    def __reduce__(self):
        return (export_error, self.args)


_variants = {}


def _variant(base, reason):
    """base, mixed with the OSError subclass of the reason's errno (FileNotFoundError, ...)."""
    number = _error_number(reason)
    system = type(OSError(number, "")) if number is not None else OSError
    if system is OSError:
        return base
    if (base, system) not in _variants:
        names = {name: getattr(base, name) for name in ("__module__", "__qualname__", "__doc__")}
        _variants[base, system] = type(base.__name__, (base, system), names)
    return _variants[base, system]


def load_error(text, caption, reason):
    return _variant(LoadError, reason)(text, caption, reason)


def export_error(text, filename, reason):
    return _variant(ExportError, reason)(text, filename, reason)


def file_error(filename, reason):
    number = _error_number(reason)
    return OSError(number, os.strerror(number) if number is not None else reason, filename)

#include "python/python_errors.h"

#include <pybind11/pybind11.h>

namespace quorvel::python {

namespace py = pybind11;

namespace {

[[noreturn]] void raise(const char* factory, const py::tuple& args) {
  const py::object error = py::module_::import("quorvel._errors").attr(factory)(*args);
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

std::string fileOf(const std::string& path, const Status& status) {
  return status.file.empty() ? path : status.file;
}

}  // namespace

void raiseLoadError(const ProjectLoadFailure& failure) {
  raise("load_error", py::make_tuple(failure.text, failure.caption, failure.reason));
}

void raiseExportError(const FailureMessage& failure) {
  raise("export_error", py::make_tuple(failure.text, failure.caption, failure.reason));
}

void raiseFileError(const std::string& path, const Status& status) {
  raise("file_error", py::make_tuple(fileOf(path, status), status.reason));
}

}  // namespace quorvel::python

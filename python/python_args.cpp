#include "python/python_args.h"

#include <cmath>
#include <string>

namespace quorvel::python {

namespace {

std::string typeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

std::string reprText(const py::handle& value) {
  return py::repr(value);
}

[[noreturn]] void wrongType(const char* name, const char* expected, const py::handle& value) {
  throw py::type_error(std::string(name) + " must be " + expected + ", not " + typeName(value));
}

// The value of an integer argument; none when it does not fit 64 bits.
std::optional<int64_t> integerValue(const py::handle& value, const char* name) {
  if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr())) {
    wrongType(name, "an integer", value);
  }
  const auto integer = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!integer) throw py::error_already_set();
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(integer.ptr(), &overflow);
  if (overflow != 0) return std::nullopt;
  return number;
}

}  // namespace

int64_t integerArg(const py::handle& value, const char* name, int64_t lowest, int64_t highest) {
  const std::optional<int64_t> number = integerValue(value, name);
  if (!number || *number < lowest || *number > highest) {
    throw py::value_error(std::string(name) + " must be an integer in " + std::to_string(lowest) +
                          " ... " + std::to_string(highest) + ", not " + reprText(value));
  }
  return *number;
}

double numberArg(const py::handle& value, const char* name, double lowest, bool lowestAllowed) {
  const bool real = PyFloat_Check(value.ptr()) || PyLong_Check(value.ptr()) ||
                    py::isinstance(value, py::module_::import("numbers").attr("Real"));
  if (PyBool_Check(value.ptr()) || !real) wrongType(name, "a real number", value);
  const double number = PyFloat_AsDouble(value.ptr());
  if (number == -1.0 && PyErr_Occurred()) throw py::error_already_set();
  if (!std::isfinite(number) || number < lowest || (number == lowest && !lowestAllowed)) {
    throw py::value_error(std::string(name) + " must be a finite number " +
                          (lowestAllowed ? "at least " : "above ") + reprText(py::float_(lowest)) +
                          ", not " + reprText(value));
  }
  return number;
}

int64_t indexArg(const py::handle& value, const char* name, int64_t count) {
  const std::optional<int64_t> index = integerValue(value, name);
  if (!index || *index < -count || *index >= count) {
    throw py::index_error(std::string(name) + " " + reprText(value) + " is out of range for " +
                          std::to_string(count));
  }
  return *index < 0 ? *index + count : *index;
}

std::string textArg(const py::handle& value, const char* name) {
  if (!py::isinstance<py::str>(value)) wrongType(name, "a str", value);
  return value.cast<std::string>();
}

std::string pathArg(const py::handle& value, const char* name) {
  const py::object path = py::reinterpret_steal<py::object>(PyOS_FSPath(value.ptr()));
  if (!path) {
    PyErr_Clear();
    wrongType(name, "a str, bytes or os.PathLike path", value);
  }
  if (PyBytes_Check(path.ptr())) return path.cast<std::string>();
  return py::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

py::str pathText(const std::string& path) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<py::ssize_t>(path.size())));
}

std::optional<int> threadsArg(const py::handle& value) {
  if (value.is_none()) return std::nullopt;
  return static_cast<int>(integerArg(value, "threads", 1, MAX_THREADS));
}

std::optional<std::pair<int32_t, int32_t>> maskArg(const py::handle& value, int32_t samples) {
  if (value.is_none()) return std::nullopt;
  if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value) ||
      py::len(value) != 2) {
    wrongType("mask", "a pair of integers (first, last) or None", value);
  }
  const py::sequence pair = py::reinterpret_borrow<py::sequence>(value);
  const int64_t last = samples - 1;
  const int64_t first = integerArg(pair[0], "mask's first sample", 0, last);
  return std::pair{static_cast<int32_t>(first),
                   static_cast<int32_t>(integerArg(pair[1], "mask's last sample", first, last))};
}

}  // namespace quorvel::python

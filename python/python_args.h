// The module's arguments as Python passes them, checked with errors that name the argument:
// TypeError for a value of the wrong type ("threads must be an integer, not float"), ValueError
// for one out of range ("win_half_size must be an integer in 1 ... 12, not 13").
//
// Arg<"type"> takes any object and shows in signatures as the type it expects; the function then
// checks it with the helpers below, where the argument's name is known.
#pragma once

#include <pybind11/pybind11.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace quorvel::python {

namespace py = pybind11;

inline constexpr int MAX_THREADS = 1024;

// The type an argument shows in signatures.
template <size_t N>
struct TypeName {
  char text[N];
  constexpr TypeName(const char (&name)[N]) { std::copy_n(name, N, text); }
};

template <TypeName name>
struct Arg {
  py::object object;
};

using IntArg = Arg<"int">;
using FloatArg = Arg<"float">;
using StrArg = Arg<"str">;
using PathArg = Arg<"str | os.PathLike[str]">;
using OptionalIntArg = Arg<"int | None">;
using OptionalPathArg = Arg<"str | os.PathLike[str] | None">;
using MaskArg = Arg<"tuple[int, int] | None">;

// An integer (int, numpy integer; not bool) within lowest ... highest.
int64_t integerArg(const py::handle& value, const char* name, int64_t lowest, int64_t highest);
// A finite real number (int, float, numpy floating; not bool) above lowest, or at least lowest.
double numberArg(const py::handle& value, const char* name, double lowest, bool lowestAllowed);
// An index into count items, negative ones counted from the end as NumPy does; IndexError
// outside -count ... count - 1.
int64_t indexArg(const py::handle& value, const char* name, int64_t count);
// A str.
std::string textArg(const py::handle& value, const char* name);
// A file path: str, bytes or os.PathLike; pathText turns one back into a str.
std::string pathArg(const py::handle& value, const char* name);
py::str pathText(const std::string& path);
// None (the project's default, every core) or 1 ... MAX_THREADS.
std::optional<int> threadsArg(const py::handle& value);
// None or a pair of integers (first, last) with 0 <= first <= last < samples.
std::optional<std::pair<int32_t, int32_t>> maskArg(const py::handle& value, int32_t samples);

}  // namespace quorvel::python

namespace pybind11::detail {

template <quorvel::python::TypeName typeName>
struct type_caster<quorvel::python::Arg<typeName>> {
  PYBIND11_TYPE_CASTER(quorvel::python::Arg<typeName>, const_name(typeName.text));
  bool load(handle source, bool) {
    value.object = reinterpret_borrow<object>(source);
    return true;
  }
};

}  // namespace pybind11::detail

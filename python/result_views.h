// NumPy arrays that view a project's buffers without copying them, indexed [scan line, sample]
// whatever the buffer's layout (sample-major buffers come back transposed).
//
// A view keeps its project alive. When the project lets go of a buffer (a parameter change
// clears the results that depend on it, close() lets go of all), the buffer moves into the
// keeper of the views that see it: moving a vector keeps its memory where it is, so those
// arrays stay valid, and the memory is freed with the last of them.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <any>
#include <array>
#include <memory>
#include <vector>

namespace quorvel::python {

namespace py = pybind11;

enum class Buffer { Ranges, Variance, Normals, LineClasses, Labels, SurfaceClasses, Count };

struct BufferKeeper {
  py::object project;  // while the project holds the buffer
  std::any released;   // the buffer, once the project has let go of it
};

class ResultViews {
 public:
  // A read-only array over data, kept valid as described above.
  py::array view(const py::object& project, Buffer buffer, const py::dtype& type,
                 std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides,
                 const void* data);

  // The project is about to let go of the buffer: the views of it take it over.
  template <typename T>
  void release(Buffer buffer, std::vector<T>&& data) {
    std::shared_ptr<BufferKeeper> keeper = keepers_[static_cast<size_t>(buffer)].lock();
    if (!keeper) return;
    keeper->released = std::make_shared<std::vector<T>>(std::move(data));
    keeper->project = py::none();
    keepers_[static_cast<size_t>(buffer)].reset();
  }

 private:
  std::array<std::weak_ptr<BufferKeeper>, static_cast<size_t>(Buffer::Count)> keepers_;
};

}  // namespace quorvel::python

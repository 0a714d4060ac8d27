#include "python/result_views.h"

namespace quorvel::python {

py::array ResultViews::view(const py::object& project, Buffer buffer, const py::dtype& type,
                            std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides,
                            const void* data) {
  std::weak_ptr<BufferKeeper>& slot = keepers_[static_cast<size_t>(buffer)];
  std::shared_ptr<BufferKeeper> keeper = slot.lock();
  if (!keeper) {
    keeper = std::make_shared<BufferKeeper>(BufferKeeper{project, {}});
    slot = keeper;
  }
  py::capsule base(new std::shared_ptr<BufferKeeper>(keeper),
                   [](void* held) { delete static_cast<std::shared_ptr<BufferKeeper>*>(held); });
  py::array array(type, std::move(shape), std::move(strides), data, base);
  array.attr("setflags")(py::arg("write") = false);
  return array;
}

}  // namespace quorvel::python

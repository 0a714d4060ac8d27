#include "batch/task_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include "scan/output_file.h"

namespace quorvel::batch {

bool outputIsTaskLog(const std::string& folder) {
  const std::string path = folder + "/" + TASK_LOG;
  struct stat log {
  }, output{};
  return stat(path.c_str(), &log) == 0 && fstat(STDOUT_FILENO, &output) == 0 &&
         log.st_dev == output.st_dev && log.st_ino == output.st_ino;
}

// Passes every character to both buffers.
class TaskLog::Tee : public std::streambuf {
 public:
  Tee(std::streambuf* first, std::streambuf* second) : first_(first), second_(second) {}

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const auto ch = static_cast<char>(c);
    first_->sputc(ch);
    if (second_) second_->sputc(ch);
    return c;
  }
  int sync() override {
    first_->pubsync();
    return 0;
  }

 private:
  std::streambuf* first_;
  std::streambuf* second_;
};

TaskLog::TaskLog(const std::string& folder, const std::string& started, std::ostream& out,
                 std::ostream& err) {
  const bool itself = !outputIsTaskLog(folder);
  if (!itself && ftruncate(STDOUT_FILENO, 0) != 0) err << "cannot empty the task log\n";
  if (itself) {
    path_ = folder + "/" + TASK_LOG;
    kept_ << started << "\n";
    writeWholeFile(path_, kept_.str());  // the previous run's log goes now
  }
  outTee_ = std::make_unique<Tee>(out.rdbuf(), itself ? kept_.rdbuf() : nullptr);
  errTee_ = std::make_unique<Tee>(err.rdbuf(), itself ? kept_.rdbuf() : nullptr);
  out_ = std::make_unique<std::ostream>(outTee_.get());
  err_ = std::make_unique<std::ostream>(errTee_.get());
}

TaskLog::~TaskLog() {
  out_->flush();
  err_->flush();
  if (!path_.empty()) writeWholeFile(path_, kept_.str());
}

}  // namespace quorvel::batch

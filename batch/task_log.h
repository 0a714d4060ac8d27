// DIR/tasks/NAME-FIRST-LAST/task.log: what the task printed, replaced at each run of the task.
// Under the local pool the task's output already goes to that file (appended, so that a runner
// whose task is claimed elsewhere does not wipe the other's log): the task empties it once it has
// claimed itself, and a crash's last words land there too. Run by hand or by Slurm, the task
// writes it itself: a first line when it starts, everything it printed when it ends.
#pragma once

#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

namespace quorvel::batch {

inline constexpr const char* TASK_LOG = "task.log";

// Whether the process's standard output is that folder's task.log.
bool outputIsTaskLog(const std::string& folder);

class TaskLog {
 public:
  // Starts the log of the task in `folder`, whose output goes to out and err.
  TaskLog(const std::string& folder, const std::string& started, std::ostream& out,
          std::ostream& err);
  ~TaskLog();  // writes the whole log when the task writes it itself
  TaskLog(const TaskLog&) = delete;
  TaskLog& operator=(const TaskLog&) = delete;

  std::ostream& out() { return *out_; }  // what the task prints: also into the log
  std::ostream& err() { return *err_; }

 private:
  class Tee;
  std::string path_;
  std::ostringstream kept_;
  std::unique_ptr<Tee> outTee_, errTee_;
  std::unique_ptr<std::ostream> out_, err_;
};

}  // namespace quorvel::batch

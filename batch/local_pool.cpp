#include "batch/local_pool.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "batch/task_lock.h"
#include "batch/task_log.h"
#include "batch/task_record.h"
#include "batch/task_run.h"

extern char** environ;

namespace quorvel::batch {

namespace {

using Clock = std::chrono::steady_clock;

// Starts `EXE task DIR K --threads T`, its standard output and error into the folder's log,
// which the task empties once it has claimed itself (it stays another runner's log otherwise).
pid_t startTask(const PoolOptions& options, const PlannedTask& task, int64_t k) {
  const std::string folder = options.dir + "/" + task.folder;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  std::vector<std::string> words = {options.exe, "task",
                                    options.dir, std::to_string(k),
                                    "--threads", std::to_string(options.threads)};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = folder + "/" + TASK_LOG;
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  if (posix_spawn(&pid, options.exe.c_str(), &actions, nullptr, argv.data(), environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::string endText(int status) {
  if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
  if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
  return "could not be started";
}

// The task's own record; a task that ended without one gets a failed record from here.
TaskRecord settle(const BatchPlan& plan, const PoolOptions& options, int64_t k, int status) {
  const PlannedTask& task = plan.tasks[static_cast<size_t>(k)];
  const std::string folder = options.dir + "/" + task.folder;
  TaskRecord record;
  if (readTaskRecord(folder, record).ok()) return record;
  record.project = plan.projects[task.project].name;
  record.first = task.first;
  record.last = task.last;
  record.reason = "the task process " + endText(status) + " without its record (see " +
                  task.folder + "/" + TASK_LOG + ")";
  writeTaskRecord(folder, record);
  return record;
}

std::string clockText(double seconds) {
  const long total = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  return text;
}

// What the progress line shows.
struct Progress {
  size_t tasks = 0;
  int64_t lines = 0;  // of all tasks to run
  int64_t linesEnded = 0;
  int64_t samplesDone = 0;
};

void showProgress(const Progress& progress, const PoolResult& result, size_t running,
                  double elapsed, std::ostream& err) {
  char line[240];
  int length = std::snprintf(line, sizeof line,
                             "\rbatch: %d of %zu done, %zu running, %d failed, %d elsewhere",
                             result.done, progress.tasks, running, result.failed, result.elsewhere);
  if (progress.linesEnded > 0 && elapsed > 0) {
    const double left = elapsed * (progress.lines - progress.linesEnded) / progress.linesEnded;
    length += std::snprintf(line + length, sizeof line - static_cast<size_t>(length),
                            ", %.2f M samples/s, %s left", progress.samplesDone / elapsed / 1e6,
                            clockText(left).c_str());
  }
  err << line << "   " << std::flush;
}

}  // namespace

PoolResult runLocalPool(const BatchPlan& plan, const std::vector<int64_t>& tasks,
                        const PoolOptions& options, std::ostream& err) {
  PoolResult result;
  Progress progress{tasks.size()};
  for (int64_t k : tasks) progress.lines += taskLineCount(plan.tasks[static_cast<size_t>(k)]);
  const Clock::time_point start = Clock::now();
  std::map<pid_t, int64_t> running;  // task by process
  std::vector<std::string> claimed;  // lock files of the tasks another runner runs
  size_t next = 0;
  const auto lockOf = [&](int64_t k) {
    return options.dir + "/" + plan.tasks[static_cast<size_t>(k)].folder + "/" + TASK_LOCK;
  };
  const auto leftToAnother = [&](int64_t k) {
    progress.linesEnded += taskLineCount(plan.tasks[static_cast<size_t>(k)]);
    ++result.elsewhere;
    claimed.push_back(lockOf(k));
  };
  const auto ended = [&](int64_t k, int status) {
    if (WIFEXITED(status) && WEXITSTATUS(status) == EXIT_CLAIMED_ELSEWHERE) {
      leftToAnother(k);
      return;
    }
    progress.linesEnded += taskLineCount(plan.tasks[static_cast<size_t>(k)]);
    const TaskRecord record = settle(plan, options, k, status);
    ++(record.done ? result.done : result.failed);
    if (options.watch) options.watch(k, &record);
    if (record.done) progress.samplesDone += record.samples;
  };
  while (next < tasks.size() || !running.empty() || !claimed.empty()) {
    while (next < tasks.size() && running.size() < static_cast<size_t>(std::max(options.jobs, 1))) {
      const int64_t k = tasks[next++];
      if (claimedElsewhere(lockOf(k))) {
        leftToAnother(k);
        continue;
      }
      const pid_t pid = startTask(options, plan.tasks[static_cast<size_t>(k)], k);
      if (pid > 0 && options.watch) options.watch(k, nullptr);
      if (pid > 0) running[pid] = k;
      if (pid <= 0) ended(k, -1);
    }
    std::erase_if(claimed, [](const std::string& lock) { return !claimedElsewhere(lock); });
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid > 0 && running.count(pid)) {
      ended(running[pid], status);
      running.erase(pid);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (options.watch) options.watch(-1, nullptr);
    if (options.progress) {
      const std::chrono::duration<double> elapsed = Clock::now() - start;
      showProgress(progress, result, running.size(), elapsed.count(), err);
    }
  }
  if (options.progress) err << "\n";
  result.samples = progress.samplesDone;
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace quorvel::batch

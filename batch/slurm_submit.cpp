#include "batch/slurm_submit.h"

#include <cstdio>

namespace quorvel::batch {

namespace {

std::string quoted(const std::string& word) {
  std::string text(1, '\'');
  for (char c : word) {
    if (c == '\'') {
      text.append("'\\''");
    } else {
      text.push_back(c);
    }
  }
  text.push_back('\'');
  return text;
}

// Runs one sbatch command line and reads the job id that --parsable prints.
Status sbatch(const std::string& arguments, std::string& jobId) {
  const std::string command = "sbatch --parsable " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return fault("cannot run sbatch", command);
  std::string output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
  const int status = pclose(pipe);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status != 0) return fault("sbatch failed", output.empty() ? command : output);
  jobId = output.substr(0, output.find(';'));  // "ID" or "ID;CLUSTER"
  return {};
}

}  // namespace

std::string arrayList(const std::vector<int64_t>& tasks, int64_t offset) {
  std::string list;
  for (size_t i = 0; i < tasks.size();) {
    size_t j = i;
    while (j + 1 < tasks.size() && tasks[j + 1] == tasks[j] + 1) ++j;
    if (!list.empty()) list.push_back(',');
    list += std::to_string(tasks[i] - offset);
    if (j > i) list.append(1, '-').append(std::to_string(tasks[j] - offset));
    i = j + 1;
  }
  return list;
}

Status submitToSlurm(const SlurmSubmission& submission, const std::vector<int64_t>& tasks,
                     std::ostream& out) {
  const std::string common = submission.sbatchOptions + " ";
  std::string dependency;
  for (size_t i = 0; i < tasks.size();) {
    const int64_t offset = tasks[i] / SLURM_ARRAY_LIMIT * SLURM_ARRAY_LIMIT;
    std::vector<int64_t> group;
    for (; i < tasks.size() && tasks[i] < offset + SLURM_ARRAY_LIMIT; ++i)
      group.push_back(tasks[i]);
    const std::string wrap = quoted(submission.exe) + " task " + quoted(submission.dir) +
                             " --array-offset " + std::to_string(offset);
    std::string jobId;
    Status status = sbatch(common + "--job-name=quorvel-task --array=" + arrayList(group, offset) +
                               " --output=" + quoted(submission.dir + "/tasks/slurm-%A_%a.log") +
                               " --wrap=" + quoted(wrap),
                           jobId);
    if (!status.ok()) return status;
    out << "Submitted tasks as Slurm array job " << jobId << " (" << group.size() << " tasks)\n";
    dependency += ":" + jobId;
  }
  const std::string merge = quoted(submission.exe) + " merge " + quoted(submission.dir);
  std::string mergeId;
  const std::string after = dependency.empty() ? "" : " --dependency=afterany" + dependency;
  Status status = sbatch(common + "--job-name=quorvel-merge" + after + " --output=" +
                             quoted(submission.dir + "/merge-%j.log") + " --wrap=" + quoted(merge),
                         mergeId);
  if (!status.ok()) return status;
  out << "Submitted the merge as Slurm job " << mergeId << "\n";
  return {};
}

}  // namespace quorvel::batch

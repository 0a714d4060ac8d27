#include "app/command_stages.h"

#include "scan/parallel_for.h"

namespace quorvel {

StageEnd runCommandStage(ws::Window window, const char* task, int (*stage)()) {
  ws::StageProgress progress;
  parallelOptions.control = {&progress.cancel, [&progress](double done) {
                               progress.permille.store(static_cast<int>(done * 1000));
                             }};
  const int result = ws::runStage(window, task, progress, stage);
  parallelOptions.control = {};
  if (result) return StageEnd::Done;
  return progress.cancel ? StageEnd::Cancelled : StageEnd::Failed;
}

}  // namespace quorvel

// How the front ends report: the window's message text and caption, followed by the reason where
// one is known; the exit statuses of every command and batch task.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "pipeline/project.h"

namespace quorvel {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILURE_REPORTED = 1;  // a step failed as the window would report it
inline constexpr int EXIT_USAGE = 2;             // the command line itself is wrong

// A failure as the window would show it: the message text, its caption and the reason.
struct FailureMessage {
  std::string text;
  std::string caption;
  std::string reason;  // empty when none is known
};

// Prints "TEXT: CAPTION (REASON)" (the reason only when known).
void reportFailure(std::ostream& err, const std::string& text, const std::string& caption,
                   const std::string& reason);
void reportFailure(std::ostream& err, const FailureMessage& failure);

// Prints the one warning about a loaded scan's pose faults when it has any:
// "Pose warning: CAPTION (WHAT IS WRONG WITH WHICH LINES)".
void warnPoseFaults(std::ostream& err, const std::string& caption, const PoseFaults& faults,
                    bool glitchesDropped);

// Loads a project (of its DS file only the window's lines when given), all or nothing; reports a
// failure and returns false.
bool loadProjectOrReport(const ProjectRecords& project, const std::string& mdlPath,
                         std::ostream& err, std::optional<LineWindow> lines = std::nullopt);

}  // namespace quorvel

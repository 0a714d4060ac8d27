// How the command line reports: the window's message text and caption on standard error,
// followed by the reason where one is known; the exit statuses of every command.
#pragma once

#include <ostream>
#include <string>

#include <optional>

#include "pipeline/project.h"

namespace quorvel::cli {

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_FAILURE_REPORTED = 1;  // a step failed as the window would report it
inline constexpr int EXIT_USAGE = 2;             // the command line itself is wrong

// Prints "TEXT: CAPTION (REASON)" (the reason only when known).
void reportFailure(std::ostream& err, const std::string& text, const std::string& caption,
                   const std::string& reason);

// Prints the one warning about a loaded scan's pose faults when it has any:
// "Pose warning: CAPTION (WHAT IS WRONG WITH WHICH LINES)".
void warnPoseFaults(std::ostream& err, const std::string& caption, const PoseFaults& faults,
                    bool glitchesDropped);

// Loads a project (of its DS file only the window's lines when given), all or nothing; reports a
// failure and returns false.
bool loadProjectOrReport(const ProjectRecords& project, const std::string& mdlPath,
                         std::ostream& err, std::optional<LineWindow> lines = std::nullopt);

}  // namespace quorvel::cli

// A scripted session of the main window on the fake window system: fresh process-wide state,
// the size handler wired as WM_SIZE, and small projects on disk.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "platform/fake/fake_window_system.h"

namespace quorvel::test {

class ShellSession : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes run.mdl, van.cal and scan.ds (the given lines of the 1.0-degree set-up, every sample
  // at range 10) into the test folder and returns the MDL path.
  std::string writeProject(int lines);
  // Loads a project through the Load Mdl command, answering the open dialog with mdlPath.
  void loadThroughDialog(const std::string& mdlPath);

  ws::Window window = fake::MAIN_WINDOW;
  std::string dir;
};

}  // namespace quorvel::test

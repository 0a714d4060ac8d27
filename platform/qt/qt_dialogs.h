// The three modal dialogs of the main window on Qt: Query Info (301), Information (1) and
// Set Mask Range (302), with the captions, labels, fields and buttons of the Windows program,
// laid out with Qt layouts. Their logic is the application shell's dialog procedures.
#pragma once

#include <cstdint>
#include <string>

#include "app/window_system.h"

class QWidget;

namespace quorvel {

intptr_t runQtDialog(QWidget* owner, int resourceId, ws::DialogProcedure procedure);
void setQtDialogItemText(ws::DialogWindow dialog, int item, const std::string& text);
std::string qtDialogItemText(ws::DialogWindow dialog, int item);
void endQtDialog(ws::DialogWindow dialog, intptr_t result);

}  // namespace quorvel

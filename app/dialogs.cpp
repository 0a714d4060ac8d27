#include "app/dialogs.h"

#include <string>

#include "app/view_state.h"
#include "features/range_image.h"
#include "scan/query_info_text.h"
#include "scan/text_lines.h"

namespace quorvel {

bool queryInfoDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command) {
  if (event == ws::DialogEvent::InitDialog) {
    if (!viewState.querySegment) return false;
    for (const QueryInfoField& field : queryInfoFields(*viewState.querySegment)) {
      ws::setDialogItemText(dialog, field.control, field.text);
    }
    return true;
  }
  if (event != ws::DialogEvent::Command) return false;
  if (command == DIALOG_OK) {
    ws::endDialog(dialog, 1);
    return true;
  }
  if (command == DIALOG_CANCEL) ws::endDialog(dialog, 0);
  return false;
}

bool aboutDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command) {
  if (event != ws::DialogEvent::Command || (command != DIALOG_OK && command != DIALOG_CANCEL))
    return false;
  ws::endDialog(dialog, 1);
  return true;
}

bool maskRangeDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command) {
  if (event == ws::DialogEvent::InitDialog) {
    ws::setDialogItemText(dialog, IDC_MASK_STNO, std::to_string(maskRange.stno));
    ws::setDialogItemText(dialog, IDC_MASK_EDNO, std::to_string(maskRange.edno));
    return true;
  }
  if (event != ws::DialogEvent::Command) return false;
  if (command == DIALOG_OK) {
    maskRange.stno = leadingInteger(ws::dialogItemText(dialog, IDC_MASK_STNO, MASK_TEXT_LIMIT));
    maskRange.edno = leadingInteger(ws::dialogItemText(dialog, IDC_MASK_EDNO, MASK_TEXT_LIMIT));
    ws::endDialog(dialog, 1);
    return true;
  }
  if (command == DIALOG_CANCEL) ws::endDialog(dialog, 0);
  return false;
}

}  // namespace quorvel

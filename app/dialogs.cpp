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

namespace {

// Reads one field; shows beside it why it cannot be taken, or clears that message.
bool readMaskField(ws::DialogWindow dialog, int field, int message, int32_t& value) {
  const IntegerText read = parseInteger(ws::dialogItemText(dialog, field, MASK_TEXT_LIMIT), value);
  ws::setDialogItemText(dialog, message,
                        read == IntegerText::Ok           ? ""
                        : read == IntegerText::OutOfRange ? "Outside -2147483648 ... 2147483647."
                                                          : "Not an integer.");
  return read == IntegerText::Ok;
}

}  // namespace

bool maskRangeDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command) {
  if (event == ws::DialogEvent::InitDialog) {
    ws::setDialogItemText(dialog, IDC_MASK_STNO, std::to_string(maskRange.stno));
    ws::setDialogItemText(dialog, IDC_MASK_EDNO, std::to_string(maskRange.edno));
    return true;
  }
  if (event != ws::DialogEvent::Command) return false;
  if (command == DIALOG_OK) {
    MaskRange typed;
    const bool start = readMaskField(dialog, IDC_MASK_STNO, IDC_MASK_STNO_MESSAGE, typed.stno);
    const bool end = readMaskField(dialog, IDC_MASK_EDNO, IDC_MASK_EDNO_MESSAGE, typed.edno);
    if (start && end) {
      maskRange = typed;
      ws::endDialog(dialog, 1);
    }
    return true;
  }
  if (command == DIALOG_CANCEL) ws::endDialog(dialog, 0);
  return false;
}

}  // namespace quorvel

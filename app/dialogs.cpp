#include "app/dialogs.h"

#include <algorithm>
#include <limits>
#include <string>

#include "app/view_state.h"
#include "features/range_image.h"
#include "scan/query_info_text.h"

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
    maskRange.stno = parseMaskNumber(ws::dialogItemText(dialog, IDC_MASK_STNO, MASK_TEXT_LIMIT));
    maskRange.edno = parseMaskNumber(ws::dialogItemText(dialog, IDC_MASK_EDNO, MASK_TEXT_LIMIT));
    ws::endDialog(dialog, 1);
    return true;
  }
  if (command == DIALOG_CANCEL) ws::endDialog(dialog, 0);
  return false;
}

int32_t parseMaskNumber(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  int64_t value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = std::min(limit, value * 10 + (text[pos] - '0'));
  }
  return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace quorvel

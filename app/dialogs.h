// The logic of the three modal dialogs: Query Info (the segment under the last query click),
// About, and Set Mask Range (the band of samples the pictures and exports leave out).
#pragma once

#include "app/window_system.h"

namespace quorvel {

inline constexpr int DIALOG_OK = 1;
inline constexpr int DIALOG_CANCEL = 2;
inline constexpr int IDC_MASK_STNO = 1000;
inline constexpr int IDC_MASK_EDNO = 1001;
inline constexpr int IDC_MASK_STNO_MESSAGE = 1002;  // why the stno field was refused, beside it
inline constexpr int IDC_MASK_EDNO_MESSAGE = 1003;
inline constexpr int MASK_TEXT_LIMIT = 79;  // characters read from each field

bool queryInfoDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command);
bool aboutDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command);
// Ok stores both fields only when each holds a whole 32-bit integer; otherwise the dialog stays
// open with the reason beside each refused field.
bool maskRangeDlgProc(ws::DialogWindow dialog, ws::DialogEvent event, int command);

}  // namespace quorvel

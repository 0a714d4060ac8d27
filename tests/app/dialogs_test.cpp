#include "app/dialogs.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/commands.h"
#include "features/range_image.h"
#include "scan/query_info_text.h"
#include "tests/app/shell_session.h"

namespace quorvel {
namespace {

using test::ShellSession;
using Dialogs = ShellSession;

TEST_F(Dialogs, MaskRangeShowsTheValuesAndStoresWhatIsTyped) {
  fake::queueDialog({{{IDC_MASK_STNO, "10"}, {IDC_MASK_EDNO, "20"}}, DIALOG_OK});
  onCommand(window, CMD_MASK_RANGE);
  EXPECT_EQ(fake::lastDialogTexts().at(IDC_MASK_STNO), "-1");
  EXPECT_EQ(fake::lastDialogTexts().at(IDC_MASK_EDNO), "-1");
  EXPECT_EQ(maskRange.stno, 10);
  EXPECT_EQ(maskRange.edno, 20);
  EXPECT_TRUE(fake::callsNamed("invalidate").empty());
  fake::queueDialog({{{IDC_MASK_STNO, "abc"}, {IDC_MASK_EDNO, "0"}}, DIALOG_OK});
  onCommand(window, CMD_MASK_RANGE);
  EXPECT_EQ(fake::lastDialogTexts().at(IDC_MASK_STNO), "10");
  EXPECT_EQ(maskRange.stno, 0);
  EXPECT_EQ(maskRange.edno, 0);
}

TEST_F(Dialogs, MaskRangeCancelKeepsTheValues) {
  maskRange = {5, 6};
  fake::queueDialog({{{IDC_MASK_STNO, "10"}, {IDC_MASK_EDNO, "20"}}, DIALOG_CANCEL});
  onCommand(window, CMD_MASK_RANGE);
  EXPECT_EQ(maskRange.stno, 5);
  EXPECT_EQ(maskRange.edno, 6);
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
}

TEST_F(Dialogs, AboutEndsWithOneForEitherButton) {
  for (int button : {DIALOG_OK, DIALOG_CANCEL}) {
    fake::queueDialog({{}, button});
    onCommand(window, CMD_ABOUT);
    EXPECT_EQ(fake::calls().back(), "endDialog(1)");
  }
}

TEST(QueryInfo, FieldsInTheDialogOrderWithTheirFormats) {
  SegmentRecord segment;
  segment.label = 7;
  segment.classCode = 2;
  segment.normal = {0.123, -0.456, 0.885};
  segment.maxPt = {1.005, 2, 3};
  segment.var = 0.012345;
  segment.pointNum = 12;
  segment.boundaryPt = 10;
  const auto fields = queryInfoFields(segment);
  std::vector<int> controls;
  for (const QueryInfoField& field : fields) controls.push_back(field.control);
  EXPECT_EQ(controls, (std::vector<int>{1203, 1204, 1207, 1208, 1209, 1210, 1211, 1212, 1213, 1214,
                                        1215, 1216, 1218, 1219, 1220, 1221, 1222}));
  EXPECT_EQ(fields[0].text, "7");
  EXPECT_EQ(fields[1].text, "0.12");
  EXPECT_EQ(fields[2].text, "-0.46");
  EXPECT_EQ(fields[13].text, "0.0123");
  EXPECT_EQ(fields[14].text, "2");
  EXPECT_EQ(fields[15].text, "0.83");
  EXPECT_EQ(fields[16].text, "10");
}

TEST_F(Dialogs, QueryInfoWithoutSegmentFillsNothing) {
  fake::queueDialog({{}, DIALOG_OK});
  EXPECT_EQ(ws::runModalDialog(window, IDD_QUERY_INFO, queryInfoDlgProc), 1);
  EXPECT_TRUE(fake::lastDialogTexts().empty());
}

}  // namespace
}  // namespace quorvel

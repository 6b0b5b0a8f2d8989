#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/uClipboardText.h"
#include "uViewFixture.h"

namespace {

TView FiveRows() {
  return TView(
      {{"row zero"}, {"row one"}, {""}, {"row three \xC3\xA9t\xC3\xA9"}, {"row four M\xFCller"}, {"row five"}});
}

}  // namespace

TEST(ClipboardText, CopyLine) {
  const TView View = FiveRows();
  struct {
    std::vector<int32_t> Selected;
    int32_t Current;
    std::u16string Expected;
  } const Cases[] = {
      {{3, 5}, 3, u"row three \u00E9t\u00E9\r\nrow five\r\n"},
      {{5, 3, 3}, 0, u"row three \u00E9t\u00E9\r\nrow five\r\n"},  // row order, each row once
      {{}, 4, u"row four M\u00FCller"},                            // the current row alone, no line break
      {{}, 1, u"row one"},
      {{}, -1, u""},  // nothing to copy
      {{}, 2, u""},   // an empty current line copies nothing
      {{2}, 2, u"\r\n"},
      {{-1, 6, 99}, 0, u"row zero"},  // rows outside the view are ignored
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(SelectionClipboardText(View.Rows(), Case.Selected, Case.Current), Case.Expected)
        << Case.Selected.size() << " selected, current " << Case.Current;
}

TEST(ClipboardText, CopyAllVisible) {
  TView View = FiveRows();
  EXPECT_EQ(AllVisibleClipboardText(View.Rows()),
            u"row zero\r\nrow one\r\n\r\nrow three \u00E9t\u00E9\r\nrow four M\u00FCller\r\nrow five\r\n");
  View.Only({1, 4});
  EXPECT_EQ(AllVisibleClipboardText(View.Rows()), u"row one\r\nrow four M\u00FCller\r\n");
  EXPECT_EQ(SelectionClipboardText(View.Rows(), {1}, 0), u"row four M\u00FCller\r\n");
  View.Only({});
  EXPECT_EQ(AllVisibleClipboardText(View.Rows()), u"");
  EXPECT_EQ(SelectionClipboardText(View.Rows(), {0}, 0), u"");
}

TEST(ClipboardText, RowText) {
  TView View = FiveRows();
  EXPECT_EQ(RowTextW(View.Rows(), 3), u"row three \u00E9t\u00E9");
  EXPECT_EQ(RowTextW(View.Rows(), -1), u"");
  EXPECT_EQ(RowTextW(View.Rows(), 6), u"");
  View.VisibleCount = 9;  // a view that still counts rows its list lost
  EXPECT_EQ(RowTextW(View.Rows(), 7), u"");
}

TEST(ClipboardText, ANulInsideALineDoesNotEndTheCopy) {
  const TView View({{std::string("before\0after", 12)}, {std::string("\0\0", 2)}});
  EXPECT_EQ(SelectionClipboardText(View.Rows(), {}, 0), u"before\u2400after");
  EXPECT_EQ(AllVisibleClipboardText(View.Rows()), u"before\u2400after\r\n\u2400\u2400\r\n");
}

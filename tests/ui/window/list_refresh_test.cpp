// The window's refresh keeps the list's length and the cursor's index between commands and
// walks only near the rows it shows; after every command the view must be exactly what a
// count from the list's head gives.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <string>

#include "store/database.h"
#include "store/datapointer.h"
#include "ui/window/commands_fixture.h"
#include "ui/window/kv_data.h"

namespace qn {
namespace {

class ListRefreshTest : public test::CommandsTest {
 protected:
  // The window's rows, scroll position and bar against a measurement and paint that walk
  // from the list's head. `scrolled`: the bar moved the rows, so the top row is the bar's.
  void ExpectSameAsRecount(const std::string& where, bool scrolled = false) {
    SCOPED_TRACE(where);
    const Position current = dp().CurrentPosition();
    tCanvasListeRec ref;
    tListCanvas canvas;
    canvas.SetClipRect(form_.Canvas().ClipRect());
    BuildListView(db(), ref, canvas);
    const tCanvasListeRec& cl = form_.cl();
    EXPECT_EQ(cl.Count, ref.Count);
    EXPECT_EQ(cl.CurrentIndex, ref.CurrentIndex);
    if (!scrolled) {
      EXPECT_EQ(cl.TopIndex, ref.TopIndex);
    }
    ref.TopIndex = cl.TopIndex;
    PaintListView(db(), ref, canvas);
    ASSERT_EQ(cl.DrawnRows, ref.DrawnRows);
    for (int i = 0; i < ref.DrawnRows; ++i) {
      EXPECT_EQ(cl.RowPos[size_t(i)], ref.RowPos[size_t(i)]) << "row " << i;
      EXPECT_EQ(cl.RowInBlock[size_t(i)], ref.RowInBlock[size_t(i)]) << "row " << i;
      EXPECT_EQ(form_.Canvas().Texts(i + 1), canvas.Texts(i + 1)) << "row " << i;
    }
    QScrollBar* bar = form_.findChild<QScrollBar*>("ScrollBar1");
    EXPECT_EQ(bar->maximum(), std::max(0, ref.Count - ref.RowCount));
    EXPECT_EQ(bar->value(), cl.TopIndex);
    EXPECT_EQ(dp().CurrentPosition(), current);
  }
};

TEST_F(ListRefreshTest, EveryCommandLeavesTheRowsACountFromTheHeadGives) {
  const auto list = test::MakeList(db(), "Liste", test::Numbered(150));
  ShowOn(list[0]);
  ExpectSameAsRecount("shown on the first record");
  for (int i = 0; i < 3; ++i) Press("nButton");
  ExpectSameAsRecount("three down");
  Press("BottomButton");
  ExpectSameAsRecount("last");
  Press("oButton");
  Press("oButton");
  ExpectSameAsRecount("two up from the last");
  form_.findChild<QScrollBar*>("ScrollBar1")->setValue(40);
  ExpectSameAsRecount("scrolled to 40", true);
  QTest::mouseClick(form_.findChild<QWidget*>("PaintBox1"), Qt::LeftButton, {},
                    QPoint(300, 3 * Lh() + Lh() / 2));
  EXPECT_EQ(dp().CurrentPosition(), list[42]);
  Press("nButton");
  ExpectSameAsRecount("down from a clicked row");

  // The commands that say what they did to the list are shown without a count.
  const auto expectKept = [&](const std::string& where) {
    ExpectSameAsRecount(where);
    EXPECT_FALSE(form_.place().LastCounted()) << where;
  };
  dialogs_.AnswerNewLine("Ny", DirDown);
  Run("Linje1");
  expectKept("a new line");
  Run("Flyttned1");
  expectKept("moved down");
  Run("Flyttopp1");
  Run("Flyttopp1");
  expectKept("moved up twice");
  Run("Slett2");
  expectKept("deleted");
  Press("BottomButton");
  Run("Slett2");
  expectKept("the last deleted");
  Press("TopButton");
  Run("Flyttopp1");
  expectKept("the first not moved up");
  Run("Flyttned1");
  expectKept("the first moved down");
  Press("TopButton");
  Run("Slett2");
  expectKept("the first deleted");
  Press("nButton");
  Press("SpeedButton5");
  Press("nButton");
  Press("SpeedButton5");
  Press("BottomButton");
  Press("PasteC2Button");  // a shadow of each mark, below the last record
  expectKept("shadows of two marks pasted at the end");
  Press("TopButton");
  Press("nButton");
  Press("SpeedButton7");  // the block's first record
  Press("nButton");
  Press("nButton");
  Press("SpeedButton8");  // and its last
  ExpectSameAsRecount("block marked");
  Run("Kopier2");
  ShowOn(list[10]);
  ExpectSameAsRecount("shown far up");
  Run("Liminn1");
  ExpectSameAsRecount("block pasted");
  Run("Sorterlistenstigende1");
  ExpectSameAsRecount("sorted");
  Press("TopButton");
  ExpectSameAsRecount("first");
  Press("vButton");  // to the parent, in the list above
  ExpectSameAsRecount("the parent's list");

  // On the file header record, which heads the top-level list while the cursor is on it,
  // with no block marked: no row is in a block.
  dp().SetBlockStart(0);
  dp().SetBlockEnd(0);
  ShowOn(0);
  ExpectSameAsRecount("on the file header record");
  for (int i = 0; i < form_.cl().DrawnRows; ++i) EXPECT_FALSE(form_.cl().RowInBlock[size_t(i)]) << "row " << i;
}

}  // namespace
}  // namespace qn

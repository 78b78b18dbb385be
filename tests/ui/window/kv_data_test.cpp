// The painted list view: its geometry without pixels, then measuring, painting and
// clicking on a database, checked through the engine and the recorded picture.
#include "ui/window/kv_data.h"

#include <array>
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"
#include "ui/ui_env.h"
#include "ui/window/view_fixture.h"
#include "content/initial_content.h"

namespace qn {
namespace {

// ---- Geometry ----

class ListGeometryTest : public ::testing::Test {
 protected:
  // A font 13 pixels high whose "0" is 8 wide.
  ListGeometry g_{ListMetrics{13, 8, 16, 32}};
};

TEST_F(ListGeometryTest, RowCountIsClipHeightDivLineHeightLessTheHeaderRow) {
  EXPECT_EQ(g_.RowCountFor(13 * 31), 30);
  EXPECT_EQ(g_.RowCountFor(13 * 31 + 12), 30);
  EXPECT_EQ(g_.RowCountFor(13 * 2 - 1), 0);
  EXPECT_EQ(g_.RowCountFor(5), 0);
  EXPECT_EQ(g_.RowCountFor(0), 0);
}

TEST_F(ListGeometryTest, RowCountStopsAt81) {
  EXPECT_EQ(g_.RowCountFor(13 * 82), 81);
  EXPECT_EQ(g_.RowCountFor(13 * 500), 81);
}

TEST_F(ListGeometryTest, ACurrentRecordBeyondThePageStandsOnTheLastRow) {
  EXPECT_EQ(ListGeometry::TopIndexFor(39, 30), 10);
  EXPECT_EQ(ListGeometry::TopIndexFor(30, 30), 1);
  EXPECT_EQ(ListGeometry::TopIndexFor(29, 30), 0);
  EXPECT_EQ(ListGeometry::TopIndexFor(0, 30), 0);
  // No rows at all: the current record would be the first one shown.
  EXPECT_EQ(ListGeometry::TopIndexFor(5, 0), 5);
}

TEST_F(ListGeometryTest, RowZeroIsTheHeaderAndEachRowIsOneLineHigh) {
  EXPECT_EQ(g_.RowAt(0), 0);
  EXPECT_EQ(g_.RowAt(12), 0);
  EXPECT_EQ(g_.RowAt(13), 1);
  EXPECT_EQ(g_.RowAt(13 * 5 + 3), 5);
  EXPECT_EQ(g_.RowAt(-1), -1);
  EXPECT_EQ(g_.RowTop(3), 39);
}

TEST_F(ListGeometryTest, MarkerZonesEndAtTheWidthsOfTwoAndFourZeros) {
  EXPECT_EQ(g_.ZoneAt(0), MarkerZone::kLeft);
  EXPECT_EQ(g_.ZoneAt(16), MarkerZone::kLeft);
  EXPECT_EQ(g_.ZoneAt(17), MarkerZone::kRight);
  EXPECT_EQ(g_.ZoneAt(32), MarkerZone::kRight);
  EXPECT_EQ(g_.ZoneAt(33), MarkerZone::kNone);
  EXPECT_EQ(g_.TextMargin(), 32);
}

TEST_F(ListGeometryTest, MarkersAreOneCharacterAcrossInsideTheirZones) {
  EXPECT_EQ(g_.LeftMarker(26), QRect(4, 30, 8, 8));
  EXPECT_EQ(g_.RightMarker(26), QRect(20, 30, 8, 8));
}

TEST_F(ListGeometryTest, ColumnWidthFallsBackFromShowLengthToLengthToDataLength) {
  EXPECT_EQ(ListGeometry::ColumnChars(test::Field("a", 16, 32, 31, 15)), 15);
  EXPECT_EQ(ListGeometry::ColumnChars(test::Field("a", 16, 32, 31, 0)), 31);
  EXPECT_EQ(ListGeometry::ColumnChars(test::Field("a", 5, 4, 0, 0)), 4);
  EXPECT_EQ(g_.ColumnWidth(test::Field("a", 5, 4, 0, 0)), 32 + g_.ColumnGap());
}

// ---- Measuring, painting, clicking ----

class ListViewTest : public test::UiTest {
 protected:
  ListViewTest() {
    OpenDatabase(db_, (Work() / "view.pdb256").string(), OpenPolicy::kCreate);
    EXPECT_TRUE(db_.IsOpen());
  }

  Datapointer& dp() { return *db_.dp; }
  int Lh() const { return canvas_.Metrics().lineHeight; }
  // A view with `rows` record rows, 600 pixels wide.
  void Page(int rows) { canvas_.SetClipRect(QRect(0, 0, 600, Lh() * (rows + 1))); }
  void Refresh() {
    BuildListView(db_, cl_, canvas_);
    PaintListView(db_, cl_, canvas_);
  }
  // The y of the middle of record row `row` (1 = the first).
  int RowY(int row) const { return row * Lh() + Lh() / 2; }
  QColor Background(int slot) const {
    for (const PaintStep& s : canvas_.Steps(slot))
      if (s.kind == PaintStep::Kind::kFill) return s.color;
    return {};
  }
  std::vector<QColor> Circles(int slot) const {
    std::vector<QColor> out;
    for (const PaintStep& s : canvas_.Steps(slot))
      if (s.kind == PaintStep::Kind::kCircle) out.push_back(s.color);
    return out;
  }
  const PaintStep* TextStep(int slot, const QString& text) const {
    for (const PaintStep& s : canvas_.Steps(slot))
      if (s.kind == PaintStep::Kind::kText && s.text == text) return &s;
    return nullptr;
  }

  tDataImageArk db_;
  tCanvasListeRec cl_;
  tListCanvas canvas_;
};

TEST_F(ListViewTest, MeasuringCountsTheListAndLeavesTheCursorAsItWas) {
  const auto list = test::MakeList(db_, "Liste", test::Numbered(5));
  dp().Load(list[2]);
  dp().SetLastDirection(DirRight);
  Page(10);
  BuildListView(db_, cl_, canvas_);
  EXPECT_EQ(cl_.Count, 5);
  EXPECT_EQ(cl_.CurrentIndex, 2);
  EXPECT_EQ(cl_.TopIndex, 0);
  EXPECT_EQ(cl_.RowCount, 10);
  EXPECT_EQ(dp().CurrentPosition(), list[2]);
  EXPECT_EQ(dp().LastDirection(), DirRight);
  EXPECT_EQ(db_.StackTop(), 0);
}

TEST_F(ListViewTest, MeasuringAndPaintingLeaveTheCursorTheMarksAndTheLoadedTemplateAsTheyWere) {
  const Position kunde = test::MakeTemplate(db_, "Kunde", test::CustomerFields());
  const Position vare = test::MakeTemplate(db_, "Vare", {test::Field("Tittel", 16, 11, 10, 10)});
  test::MakeList(db_, "Kunder", {"Overskrift"});
  const Position ola = test::MakeDataRecord(db_, DirDown, kunde, test::CustomerPayload("Ola", 42, "", true));
  test::MakeDataRecord(db_, DirDown, kunde, test::CustomerPayload("Kari", 7, "", false));
  ASSERT_EQ(LoadTemplate(db_, "Vare"), 0);  // what a command (the template editor) holds
  dp().Load(ola);
  dp().SetLastDirection(DirRight);
  ASSERT_GE(db_.PushPosition(), 0);
  db_.SeekTo(kunde);
  for (int rows : {10, 1}) {
    Page(rows);
    Refresh();
    SelectRowAt(db_, cl_, canvas_, RowY(9));  // below the rows: selects nothing
    EXPECT_EQ(cl_.RowPos[size_t(cl_.CurrentIndex - cl_.TopIndex)], ola) << rows;
    EXPECT_EQ(dp().CurrentPosition(), ola);
    EXPECT_EQ(dp().LastDirection(), DirRight);
    EXPECT_EQ(db_.StackTop(), 1);
    EXPECT_EQ(db_.StackSlot(1), ola);
    EXPECT_EQ(db_.FilePosition(), kunde);
    EXPECT_EQ(LoadedTemplate(db_).TemplateRecordPos, vare);
    EXPECT_EQ(LoadedTemplate(db_).Fields.size(), 1u);
  }
}

TEST_F(ListViewTest, TheFortiethRecordOfThirtyRowsStandsOnTheLastRow) {
  const auto list = test::MakeList(db_, "Liste", test::Numbered(100));
  dp().Load(list[39]);
  Page(30);
  Refresh();
  EXPECT_EQ(cl_.TopIndex, 10);
  EXPECT_EQ(cl_.DrawnRows, 30);
  EXPECT_EQ(cl_.RowPos[29], list[39]);
  EXPECT_EQ(cl_.RowPos[0], list[10]);
  EXPECT_EQ(Background(30), kCurrentRowColor);
  EXPECT_EQ(Background(29), QColor(Qt::white));
}

TEST_F(ListViewTest, PaintingShowsNamesInBoldAndLeavesTheMarksAlone) {
  const auto list = test::MakeList(db_, "Liste", {"Alfa", "Beta", "Gamma"});
  dp().Load(list[1]);
  ASSERT_GE(db_.PushPosition(), 0);  // a mark the user set
  Page(10);
  Refresh();
  EXPECT_EQ(cl_.DrawnRows, 3);
  EXPECT_EQ(canvas_.Texts(1), QStringList{"Alfa"});
  EXPECT_EQ(canvas_.Texts(3), QStringList{"Gamma"});
  EXPECT_TRUE(TextStep(1, "Alfa")->bold);
  EXPECT_EQ(TextStep(1, "Alfa")->color, QColor(Qt::black));
  EXPECT_EQ(Background(2), kCurrentRowColor);
  EXPECT_EQ(Background(0), kHeaderColor);
  EXPECT_TRUE(canvas_.Texts(4).isEmpty());
  EXPECT_EQ(db_.StackTop(), 1);
  EXPECT_EQ(db_.StackSlot(1), list[1]);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
}

TEST_F(ListViewTest, ANameCutAtTheEdgeIsKeptWholeForItsTipAndTheGlobalMarkerHasARim) {
  const std::string longName(120, 'L');
  const auto list = test::MakeList(db_, "Liste", {"Kort", longName});
  dp().Load(list[1]);
  dp().SetLastDirection(DirDown);
  std::array<uint8_t, kGlobalPointerSize> pointer{};
  ASSERT_GE(AddGlobalPointer(db_, pointer), 0);
  Page(5);
  Refresh();
  EXPECT_FALSE(canvas_.CutTextAt(QPoint(100, RowY(1))).has_value()) << "\"Kort\" shows whole";
  EXPECT_EQ(canvas_.CutTextAt(QPoint(100, RowY(2))), QString::fromStdString(longName));
  const PaintStep* rim = nullptr;
  for (const PaintStep& s : canvas_.Steps(3))
    if (s.kind == PaintStep::Kind::kCircle && s.color == kGlobalMarkerColor) rim = &s;
  ASSERT_NE(rim, nullptr);
  EXPECT_EQ(rim->outline, kGlobalMarkerOutline);
}

TEST_F(ListViewTest, AFullPositionStackKeepsItsMarksThroughARefresh) {
  const auto list = test::MakeList(db_, "Liste", test::Numbered(4));
  dp().Load(list[0]);
  while (db_.PushPosition() >= 0) {
  }
  const uint16_t full = db_.StackTop();
  dp().Load(list[3]);
  Page(10);
  Refresh();
  EXPECT_EQ(db_.StackTop(), full);
  EXPECT_EQ(dp().CurrentPosition(), list[3]);
  EXPECT_EQ(cl_.CurrentIndex, 3);
}

TEST_F(ListViewTest, MarkersShowParentSubListAndNavyNamedLineWithASubList) {
  const auto list = test::MakeList(db_, "Liste", {"Forelder", "Enslig"});
  dp().Load(list[0]);
  const Position child = AddNamed(db_, DirRight, "Barn");
  dp().Load(list[0]);
  Page(10);
  Refresh();
  // The first record of a sub-list: red; a record with a sub-list: navy marker and text.
  EXPECT_EQ(Circles(1), (std::vector<QColor>{kParentMarkerColor, kSubListMarkerColor}));
  EXPECT_EQ(TextStep(1, "Forelder")->color, kNavy);
  EXPECT_TRUE(Circles(2).empty());
  EXPECT_EQ(TextStep(2, "Enslig")->color, QColor(Qt::black));

  dp().Load(child);
  Refresh();
  EXPECT_EQ(Circles(1), std::vector<QColor>{kParentMarkerColor});
}

TEST_F(ListViewTest, TemplateRowsShowTheirValuesInColumnsUnderTheFieldNames) {
  const Position kunde = test::MakeTemplate(db_, "Kunde", test::CustomerFields());
  test::MakeList(db_, "Kunder", {"Overskrift"});
  const Position ola = test::MakeDataRecord(db_, DirDown, kunde,
                                            test::CustomerPayload("Ola Nordmann", 42, "", true));
  test::MakeDataRecord(db_, DirDown, kunde, test::CustomerPayload("Kari", -1, "hemmelig", false));
  dp().Load(ola);
  Page(10);
  Refresh();

  // Names over values, each cut to its column; the hidden field is left out.
  EXPECT_EQ(canvas_.Texts(0), (QStringList{"Navn", "Nr", "Passord", "Akt"}));
  EXPECT_TRUE(TextStep(0, "Navn")->bold);
  EXPECT_EQ(TextStep(0, "Navn")->color, QColor(Qt::white));
  EXPECT_EQ(canvas_.Texts(2), (QStringList{"Ola Nord", "42", "********", "Ja"}));
  EXPECT_EQ(canvas_.Texts(3), (QStringList{"Kari", "-1", "********", "Nei"}));
  EXPECT_FALSE(TextStep(2, "42")->bold);
  EXPECT_EQ(TextStep(2, "42")->color, QColor(Qt::black));

  // Columns: the margin, then 8, 4 (DataLength alone) and 10 characters, each followed by
  // a gap of one character so neighbouring values never run together.
  const int cw = canvas_.Metrics().charWidth;
  const int margin = canvas_.Metrics().width0000;
  EXPECT_EQ(TextStep(2, "Ola Nord")->rect.left(), margin);
  EXPECT_EQ(TextStep(2, "Ola Nord")->rect.width(), 8 * cw);
  EXPECT_EQ(TextStep(2, "42")->rect.left(), margin + 9 * cw);
  EXPECT_EQ(TextStep(2, "********")->rect.left(), margin + 14 * cw);
  EXPECT_EQ(TextStep(2, "Ja")->rect.left(), margin + 25 * cw);
  EXPECT_EQ(TextStep(0, "Nr")->rect.left(), margin + 9 * cw);
}

TEST_F(ListViewTest, RowsInsideTheMarkedBlockAreRed) {
  const Position kunde = test::MakeTemplate(db_, "Kunde", test::CustomerFields());
  test::MakeList(db_, "Kunder", {"Overskrift"});
  std::vector<Position> rows;
  for (int i = 0; i < 5; ++i)
    rows.push_back(test::MakeDataRecord(db_, DirDown, kunde,
                                        test::CustomerPayload("K" + std::to_string(i), i, "", true)));
  dp().SetBlockStart(rows[1]);
  dp().SetBlockEnd(rows[3]);
  dp().Load(rows[0]);
  Page(10);
  Refresh();
  EXPECT_EQ(TextStep(2, "0")->color, QColor(Qt::black));
  EXPECT_EQ(TextStep(3, "1")->color, kBlockRowColor);
  EXPECT_EQ(TextStep(5, "3")->color, kBlockRowColor);
  EXPECT_EQ(TextStep(6, "4")->color, QColor(Qt::black));

  // Scrolled so the block starts above the page: its rows stay red.
  Page(2);
  dp().Load(rows[4]);
  Refresh();
  ASSERT_EQ(cl_.TopIndex, 4);
  EXPECT_EQ(TextStep(1, "3")->color, kBlockRowColor);
  EXPECT_EQ(TextStep(2, "4")->color, QColor(Qt::black));
}

TEST_F(ListViewTest, ARecordWhoseTemplateCannotBeLoadedShowsOnlyBackgroundAndMarkers) {
  const auto list = test::MakeList(db_, "Liste", {"A", "B"});
  dp().Load(list[1]);
  dp().SetTemplatePos(list[0]);  // a named line, not a template
  dp().Store();
  Page(10);
  BuildListView(db_, cl_, canvas_);
  EXPECT_EQ(DrawHeaderRow(db_, canvas_, cl_), -1);
  cl_.Y = 2 * Lh();
  EXPECT_EQ(DrawRow(db_, canvas_, cl_, false), -1);
  EXPECT_EQ(cl_.Y, 3 * Lh());
  EXPECT_TRUE(canvas_.Texts(2).isEmpty());
  EXPECT_TRUE(canvas_.Texts(0).isEmpty());
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
}

TEST_F(ListViewTest, TheFileHeaderRecordShowsStart) {
  test::MakeList(db_, "Liste", {"A"});
  dp().Load(0);
  Page(10);
  Refresh();
  EXPECT_EQ(canvas_.Texts(1), QStringList{"[START]"});
  EXPECT_EQ(Background(1), kCurrentRowColor);
}

TEST_F(ListViewTest, ClickingARowMakesItCurrentAndRedrawsBothRows) {
  const auto list = test::MakeList(db_, "Liste", test::Numbered(5));
  dp().Load(list[0]);
  Page(10);
  Refresh();
  EXPECT_EQ(ListViewClick(db_, 200, RowY(4), cl_, canvas_), -1);  // no marker move
  EXPECT_EQ(dp().CurrentPosition(), list[3]);
  EXPECT_EQ(cl_.CurrentIndex, 3);
  EXPECT_EQ(Background(1), QColor(Qt::white));
  EXPECT_EQ(Background(4), kCurrentRowColor);
  EXPECT_EQ(canvas_.Texts(4), QStringList{"R4"});
}

TEST_F(ListViewTest, ClicksOnTheHeaderRowOrBelowTheLastRowChangeNothing) {
  const auto list = test::MakeList(db_, "Liste", test::Numbered(3));
  dp().Load(list[1]);
  Page(10);
  Refresh();
  EXPECT_FALSE(SelectRowAt(db_, cl_, canvas_, Lh() / 2));
  EXPECT_FALSE(SelectRowAt(db_, cl_, canvas_, RowY(4)));
  EXPECT_EQ(ListViewClick(db_, 5, Lh() / 2, cl_, canvas_), -1);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
  EXPECT_EQ(cl_.CurrentIndex, 1);
  EXPECT_EQ(Background(2), kCurrentRowColor);
}

TEST_F(ListViewTest, TheLeftMarkerGoesToTheParentAndTheRightMarkerIntoTheSubList) {
  const auto list = test::MakeList(db_, "Liste", {"Forelder", "Annen"});
  dp().Load(list[0]);
  const auto children = std::vector<Position>{AddNamed(db_, DirRight, "Barn1"),
                                              AddNamed(db_, DirDown, "Barn2")};
  dp().Load(children[1]);
  Page(10);
  Refresh();
  // The left zone of the first child: to the parent, whose list is measured and painted.
  EXPECT_EQ(ListViewClick(db_, 2, RowY(1), cl_, canvas_), 1);
  EXPECT_EQ(dp().CurrentPosition(), list[0]);
  EXPECT_EQ(canvas_.Texts(1), QStringList{"Forelder"});
  EXPECT_EQ(cl_.Count, 2);
  // The right zone of the parent: into its sub-list.
  const int rightZone = canvas_.Metrics().width00 + 1;
  EXPECT_EQ(ListViewClick(db_, rightZone, RowY(1), cl_, canvas_), 1);
  EXPECT_EQ(dp().CurrentPosition(), children[0]);
  // The left zone of a record without a parent only selects it.
  dp().Load(list[0]);
  Refresh();
  EXPECT_EQ(ListViewClick(db_, 2, RowY(2), cl_, canvas_), -1);
  EXPECT_EQ(dp().CurrentPosition(), list[1]);
}

TEST_F(ListViewTest, ARefreshReadsOnlyTheVisibleRowsBeyondTheCountingWalk) {
  // Reads for a list of n records, the first current, 10 rows shown.
  auto readsFor = [this](int n) {
    const auto list = test::MakeList(db_, ("Liste" + std::to_string(n)).c_str(),
                                      test::Numbered(n, "En ganske lang linje nummer "));
    dp().Load(list[0]);
    Page(10);
    const uint64_t before = db_.Counters().blockReads;
    Refresh();
    return db_.Counters().blockReads - before;
  };
  const uint64_t small = readsFor(100);
  const uint64_t large = readsFor(300);
  // 200 more records cost the counting walk one read each, and no names.
  EXPECT_LE(large - small, 200u);
  EXPECT_GE(large - small, 190u);
}

TEST_F(ListViewTest, TheRecordedPictureRendersTheCurrentRowYellowAndTheMarkers) {
  const auto list = test::MakeList(db_, "Liste", {"Forelder", "Annen"});
  dp().Load(list[0]);
  AddNamed(db_, DirRight, "Barn");
  dp().Load(list[0]);
  Page(5);
  Refresh();
  QImage image(600, Lh() * 6, QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter painter(&image);
  canvas_.Render(painter);
  painter.end();
  const ListGeometry g = canvas_.Geometry();
  const QRect left = g.LeftMarker(Lh());
  const QRect right = g.RightMarker(Lh());
  EXPECT_EQ(image.pixelColor(left.center()), kParentMarkerColor);
  EXPECT_EQ(image.pixelColor(right.center()), kSubListMarkerColor);
  EXPECT_EQ(image.pixelColor(590, RowY(1)), kCurrentRowColor);
  EXPECT_EQ(image.pixelColor(590, RowY(2)), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(590, Lh() / 2), kHeaderColor);
  EXPECT_EQ(image.pixelColor(590, RowY(4)), QColor(Qt::white));
}

}  // namespace
}  // namespace qn

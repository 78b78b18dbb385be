// The painted list view: the measurement of the current list (BuildListView), its header
// row and record rows (PaintListView, DrawHeaderRow, DrawRow) and the mouse hit handling
// (SelectRowAt, ListViewClick). Rows are drawn into a tListCanvas, a recorded picture that
// the paint box only replays: painting the widget never reads the database. Measuring and
// drawing read the records through a RecordReader beside the cursor: they never move it,
// never touch the position stack or the marks and never load into the database's loaded
// template, so they may run at any time, also while a command works with all three. Only
// a click moves the cursor.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "store/format.h"
#include "templates/template_format.h"
#include "templates/template_reader.h"

class QPainter;

namespace qn {

class tDataImageArk;
class ListPlace;

// At most this many record rows are shown; a taller box leaves the rest empty.
inline constexpr int kMaxListRows = 81;

// The view record the window owns; cleared at every measurement.
struct tCanvasListeRec {
  int32_t X = 0;             // left edge of the next text of the row being drawn
  int32_t Y = 0;             // top of the row being drawn
  int32_t TopIndex = 0;      // list index of the record on the first record row
  int32_t Count = 0;         // records in the list
  int32_t CurrentIndex = 0;  // list index of the current record
  int32_t RowCount = 0;      // record rows that fit below the header row, at most 81
  int32_t LineHeight = 0;    // text height of "jÅ"
  int32_t CharWidth = 0;     // text width of "0"
  int32_t TemplatePos = 0;   // Position of the template whose layout is held
  std::array<Position, kMaxListRows> RowPos{};  // the record drawn on each record row
  // How many record rows the last paint drew; RowPos beyond them means nothing.
  int32_t DrawnRows = 0;
  // The layout of the template at TemplatePos (none: it cannot be read), as the file was
  // at LayoutGeneration; read again once the file changes.
  bool LayoutRead = false;
  uint64_t LayoutGeneration = 0;
  std::optional<TemplateLayout> Layout;
  // Whether each drawn row lay inside the marked block, so a row redrawn alone keeps its
  // colour.
  std::array<bool, kMaxListRows> RowInBlock{};

  void Clear() { *this = tCanvasListeRec{}; }
};

// The font measurements the geometry rests on.
struct ListMetrics {
  int lineHeight = 0;  // height of "jÅ"
  int charWidth = 0;   // width of "0"
  int width00 = 0;     // width of "00": the end of the left marker zone
  int width0000 = 0;   // width of "0000": the text margin and the end of the right zone
};

// Where a click landed across a row.
enum class MarkerZone { kNone, kLeft, kRight };

// The row geometry, without painting: how many rows fit, which row a y falls on, where
// the markers sit and how wide a template column is.
class ListGeometry {
 public:
  explicit ListGeometry(const ListMetrics& metrics) : m_(metrics) {}

  const ListMetrics& Metrics() const { return m_; }
  // Record rows for a clip rectangle `clipHeight` high: height div LineHeight, one less for
  // the header, between 0 and 81.
  int RowCountFor(int clipHeight) const;
  // The scroll position a measurement gives: 0, unless that hides the current record, which
  // then stands on the last record row.
  static int32_t TopIndexFor(int32_t currentIndex, int32_t rowCount);
  // The row a y falls on: 0 the header, 1 the first record row. -1 above the box.
  int RowAt(int y) const;
  int RowTop(int row) const { return row * m_.lineHeight; }
  // Left zone: x <= width of "00"; right zone: up to the width of "0000".
  MarkerZone ZoneAt(int x) const;
  // The two circles of a row whose top is `rowTop`, each CharWidth across.
  QRect LeftMarker(int rowTop) const;
  QRect RightMarker(int rowTop) const;
  int TextMargin() const { return m_.width0000; }
  // The characters of a field's column: ShowLength, else Length, else DataLength.
  static int ColumnChars(const TemplateField& field);
  // A column's text and the gap after it, so neighbouring values never run together.
  int ColumnWidth(const TemplateField& field) const { return ColumnChars(field) * m_.charWidth + ColumnGap(); }
  int ColumnGap() const { return m_.charWidth; }

 private:
  ListMetrics m_;
};

// One recorded drawing step.
struct PaintStep {
  enum class Kind { kFill, kText, kCircle };
  Kind kind = Kind::kFill;
  QRect rect;  // the area filled, the circle's box, or the box a text is clipped to
  QColor color;
  QString text;
  bool bold = false;
  QColor outline;  // a circle's rim; invalid: the circle's colour
};

// The canvas the view is drawn on: the font, the clip rectangle, the brush colour, and
// the recorded steps, kept per row (slot 0 the header, slot r the record row r) so a row
// drawn again replaces what it showed before.
class tListCanvas {
 public:
  tListCanvas();

  // The font of the view; its measurements follow it.
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }
  const ListMetrics& Metrics() const { return metrics_; }
  ListGeometry Geometry() const { return ListGeometry(metrics_); }
  void SetClipRect(const QRect& clip) { clip_ = clip; }
  const QRect& ClipRect() const { return clip_; }

  QColor Brush = Qt::white;

  // Forgets every step and fills the whole clip rectangle with the brush.
  void Clear();
  // The steps drawn from now on belong to `slot`; what it held is dropped.
  void BeginSlot(int slot);
  void FillRect(const QRect& rect, const QColor& color);
  // Draws `text` at the left of `box`, vertically in its middle, never outside it: a text
  // wider than the box ends in "…".
  void TextOut(const QRect& box, const QString& text, const QColor& color, bool bold);
  // The whole of a text drawn cut at `point`, for its tip; nothing when the text there
  // was drawn whole or there is none.
  std::optional<QString> CutTextAt(const QPoint& point) const;
  // A filled circle in `box`; with `outline`, its rim in that colour.
  void Circle(const QRect& box, const QColor& color, const QColor& outline = QColor());

  // Replays the picture.
  void Render(QPainter& painter) const;

  // What a slot holds, for tests and hit checks.
  const std::vector<PaintStep>& Steps(int slot) const;
  // The texts drawn in a slot, left to right.
  QStringList Texts(int slot) const;

 private:
  QFont font_;
  QFont boldFont_;
  ListMetrics metrics_;
  QRect clip_;
  QColor background_ = Qt::white;
  std::vector<std::vector<PaintStep>> slots_;
  int slot_ = 0;
};

// Colours of the view (Windows colour values 0x00FFFF, 0x800000, 0x808080).
inline const QColor kCurrentRowColor(255, 255, 0);
inline const QColor kNavy(0, 0, 128);
inline const QColor kHeaderColor(128, 128, 128);
inline const QColor kBlockRowColor(255, 0, 0);
inline const QColor kParentMarkerColor(255, 0, 0);
inline const QColor kSubListMarkerColor(0, 0, 128);
inline const QColor kGlobalMarkerColor(255, 255, 0);
// The rim that keeps the yellow marker visible on white and on the yellow current row.
inline const QColor kGlobalMarkerOutline(96, 72, 0);

// The text of the file header record's row.
inline constexpr const char* kStartRowText = "[START]";

// The font the view is drawn in: the system sans-serif at 8 points.
QFont ListViewFont();

// Measure and count: fills the clip rectangle with the brush, clears `cl`, sets
// LineHeight, CharWidth, X and RowCount, counts the current list, finds the current
// record's index and sets TopIndex. The list walk is bounded by the file. With `place`
// (what the window keeps between refreshes) the list is counted only when that cannot
// tell the length and the index; otherwise the walk stays near the cursor.
void BuildListView(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas,
                   ListPlace* place = nullptr);
// The header row and the visible record rows, with the last measurement. With `place`
// (the one the measurement used) the first shown record is reached from the nearest known
// one, not from the head.
void PaintListView(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas,
                   ListPlace* place = nullptr);
// The grey header row with the current record's field names. 1 when names were drawn, -1
// when the record names a template that cannot be loaded, 0 when it has no template.
int DrawHeaderRow(tDataImageArk& db, tListCanvas& canvas, tCanvasListeRec& cl);
// The current record's row at cl.Y on the canvas's brush; Y then moves one row down.
// `inBlock` draws template values red. 1, or -1 when its template cannot be loaded (the
// row then shows its background and markers only).
int DrawRow(tDataImageArk& db, tListCanvas& canvas, tCanvasListeRec& cl, bool inBlock);
// Selects the record row under y: the old current row is drawn white, the record of the
// row is loaded and drawn yellow. False (nothing changed) for the header row and below
// the last drawn row.
bool SelectRowAt(tDataImageArk& db, tCanvasListeRec& cl, tListCanvas& canvas, int y);
// A left click: selects the row, then on the record now current a click in the left
// marker zone goes to the parent, in the right zone into the sub-list, and on a global
// pointer in the right zone follows it through `followGlobal` (which says whether it
// moved). 1 when a marker moved the current record (measured and painted again), else -1.
int ListViewClick(tDataImageArk& db, int x, int y, tCanvasListeRec& cl, tListCanvas& canvas,
                  const std::function<bool()>& followGlobal = {}, ListPlace* place = nullptr);

}  // namespace qn

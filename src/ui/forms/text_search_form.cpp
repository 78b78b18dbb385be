#include "ui/forms/text_search_form.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "commands/text_search.h"
#include "store/database.h"
#include "store/record_reader.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

namespace {

// A slice of the search runs this long before the window takes its events again.
constexpr int kSliceMilliseconds = 15;
// Records visited between two looks at the clock.
constexpr int64_t kRecordsPerLook = 256;

QString WhereText(const SearchHit& hit) {
  switch (hit.place) {
    case HitPlace::kName: return QStringLiteral("Navn");
    case HitPlace::kField: return QStringLiteral("Felt «%1»").arg(FromUtf8(hit.field));
    case HitPlace::kNote: return QStringLiteral("Notat");
    case HitPlace::kLink: return QStringLiteral("Lenke");
    case HitPlace::kVariableName: return QStringLiteral("Variabel");
    case HitPlace::kVariableValue: return QStringLiteral("Verdi");
  }
  return {};
}

QCheckBox* Check(const char* name, const char* caption, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  box->setObjectName(name);
  box->setChecked(checked);
  return box;
}

}  // namespace

TextSearchForm::TextSearchForm(tDataImageArk& db, GoTo goTo, QWidget* parent)
    : QWidget(parent, Qt::Window), db_(db), goTo_(std::move(goTo)) {
  setObjectName("TextSearchForm");
  setWindowTitle(QStringLiteral("Søk i alle tekster"));
  auto* layout = new QVBoxLayout(this);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Søk etter:"), this));
  text_ = new QLineEdit(this);
  text_->setObjectName("SearchText");
  row->addWidget(text_, 1);
  searchButton_ = new QPushButton(QStringLiteral("&Søk"), this);
  searchButton_->setObjectName("SearchButton");
  searchButton_->setDefault(true);
  row->addWidget(searchButton_);
  cancelButton_ = new QPushButton(QStringLiteral("&Avbryt"), this);
  cancelButton_->setObjectName("CancelButton");
  row->addWidget(cancelButton_);
  layout->addLayout(row);

  auto* places = new QHBoxLayout;
  places->addWidget(new QLabel(QStringLiteral("Let i:"), this));
  places->addWidget(names_ = Check("SearchNames", "Navn", true, this));
  places->addWidget(data_ = Check("SearchData", "Datafelt", true, this));
  places->addWidget(notes_ = Check("SearchNotes", "Notater", true, this));
  places->addWidget(links_ = Check("SearchLinks", "Lenker", true, this));
  places->addWidget(variables_ = Check("SearchVariables", "Variabler", true, this));
  places->addStretch();
  layout->addLayout(places);
  layout->addWidget(matchCase_ = Check("MatchCase", "Skill mellom store og små bokstaver", false, this));

  hits_ = new QTreeWidget(this);
  hits_->setObjectName("Hits");
  hits_->setRootIsDecorated(false);
  hits_->setUniformRowHeights(true);
  hits_->setHeaderLabels({QStringLiteral("Sti"), QStringLiteral("Hvor"), QStringLiteral("Tekst")});
  hits_->header()->resizeSection(0, 260);
  hits_->header()->resizeSection(1, 110);
  layout->addWidget(hits_, 1);

  auto* bottom = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName("SearchStatus");
  bottom->addWidget(status_, 1);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("SearchProgress");
  progress_->setRange(0, 1000);
  bottom->addWidget(progress_);
  layout->addLayout(bottom);

  timer_ = new QTimer(this);
  timer_->setInterval(0);
  connect(timer_, &QTimer::timeout, this, [this] { Slice(); });
  connect(searchButton_, &QPushButton::clicked, this, [this] { Start(); });
  connect(text_, &QLineEdit::returnPressed, this, [this] { Start(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { Stop(); });
  connect(hits_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { Activate(item); });
  resize(720, 420);
  ShowState();
}

TextSearchForm::~TextSearchForm() = default;

bool TextSearchForm::Running() const { return search_ && !search_->Done(); }

void TextSearchForm::Start() {
  Stop();
  stopped_ = false;
  hits_->clear();
  search_.reset();
  const std::string text = text_->text().toStdString();
  if (text.empty() || !db_.IsOpen()) {
    ShowState();
    return;
  }
  unsigned places = 0;
  if (names_->isChecked()) places |= kSearchNames;
  if (data_->isChecked()) places |= kSearchData;
  if (notes_->isChecked()) places |= kSearchNotes;
  if (links_->isChecked()) places |= kSearchLinks;
  if (variables_->isChecked()) places |= kSearchVariables;
  searchedFile_ = db_.FileName();
  reader_ = std::make_unique<RecordReader>(db_);
  search_ = std::make_unique<TextSearch>(*reader_, SearchRequest{text, places, matchCase_->isChecked()});
  timer_->start();
  ShowState();
}

void TextSearchForm::Stop() {
  timer_->stop();
  stopped_ = Running();
  if (search_) search_->Cancel();
  ShowState();
}

void TextSearchForm::Slice() {
  // The window closed its file or opened another: what is left of the walk is not there.
  if (!search_ || !db_.IsOpen() || db_.FileName() != searchedFile_) {
    Stop();
    return;
  }
  QElapsedTimer clock;
  clock.start();
  while (search_->Run(kRecordsPerLook, [this](const SearchHit& hit) { AddHit(hit); }) &&
         clock.elapsed() < kSliceMilliseconds) {
  }
  if (search_->Done()) timer_->stop();
  ShowState();
}

void TextSearchForm::AddHit(const SearchHit& hit) {
  QStringList path;
  for (const std::string& name : hit.path) path << FromUtf8(name);
  auto* item = new QTreeWidgetItem(hits_, {path.join(QStringLiteral(" › ")), WhereText(hit), FromUtf8(hit.around)});
  item->setData(0, Qt::UserRole, QVariant::fromValue<qint64>(hit.position));
  item->setToolTip(0, item->text(0));
  if (hits_->currentItem() == nullptr) hits_->setCurrentItem(item);
}

void TextSearchForm::Activate(QTreeWidgetItem* item) {
  if (item == nullptr || !goTo_) return;
  goTo_(Position(item->data(0, Qt::UserRole).toLongLong()));
}

void TextSearchForm::ShowState() {
  const bool running = Running();
  cancelButton_->setEnabled(running);
  progress_->setVisible(running);
  if (!search_) {
    status_->clear();
    return;
  }
  progress_->setValue(int(search_->Progress() * 1000));
  QString text = QStringLiteral("%1 treff i %2 poster").arg(search_->Hits()).arg(search_->Visited());
  if (search_->Damaged() > 0) text += QStringLiteral(", %1 skadde blokker hoppet over").arg(search_->Damaged());
  if (running) {
    text = QStringLiteral("Søker ... ") + text;
  } else if (stopped_) {
    text = QStringLiteral("Avbrutt: ") + text;
  } else if (search_->Hits() == 0) {
    text = QStringLiteral("Fant ikke \"%1\"").arg(text_->text());
  }
  status_->setText(text);
}

}  // namespace qn

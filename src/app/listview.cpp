#include "app/listview.h"

#include "app/IniFile.h"

#include <QHeaderView>

#include <algorithm>
#include <iterator>

#include <QListView>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace {

// Large icons wrap a name under its icon at spaces and, where a word is
// wider than the cell (a long ASCII name), anywhere in it, as the desktop
// does; the style alone would cut such a name to one elided line.
class TIconNameDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const int room = option->rect.width() - 6;
    if (room <= 0 || option->text.isEmpty()) return;
    const QFontMetrics fm(option->font);
    const QStringList words = option->text.split(QLatin1Char(' '));
    QStringList broken;
    broken.reserve(words.size());
    for (const QString& word : words) {
      if (fm.horizontalAdvance(word) <= room) {
        broken << word;
        continue;
      }
      QString w;
      w.reserve(word.size() * 2);
      for (qsizetype i = 0; i < word.size(); ++i) {
        w += word[i];
        // A zero-width space is a break opportunity that draws nothing; a
        // surrogate pair stays whole.
        if (i + 1 < word.size() && !word[i].isHighSurrogate()) w += QChar(0x200B);
      }
      broken << w;
    }
    option->text = broken.join(QLatin1Char(' '));
  }
};

}  // namespace

TListView::TListView(QWidget* parent) : QWidget(parent) {
  model_ = new QStandardItemModel(0, kColumns, this);
  model_->setHorizontalHeaderLabels(
      {QStringLiteral("ファイル名"), QStringLiteral("サイズ"), QStringLiteral("更新日時")});
  model_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignCenter);
  model_->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignCenter);
  empty_ = new QStandardItemModel(0, kColumns, this);
  selection_ = new QItemSelectionModel(model_, this);

  icons_ = new QListView(this);
  iconNames_ = new TIconNameDelegate(icons_);
  plainNames_ = icons_->itemDelegate();
  report_ = new QTreeView(this);
  report_->setRootIsDecorated(false);
  report_->setItemsExpandable(false);
  report_->setUniformRowHeights(true);
  report_->header()->setSectionsClickable(false);
  report_->header()->setSectionsMovable(false);
  report_->header()->setStretchLastSection(false);
  report_->header()->setDefaultAlignment(Qt::AlignCenter);
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(report_)}) {
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    // A click in a list-style view lands on one cell; the entry is the row.
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAccessibleName(QStringLiteral("ファイル一覧"));
  }
  for (int c = 0; c < kColumns; ++c) widths_[c] = DefaultColumnWidth(c);
  connect(report_->header(), &QHeaderView::sectionResized, this, [this](int c, int, int size) {
    if (c >= 0 && c < kColumns && report_->model() == model_) widths_[c] = size;
  });

  stack_ = new QStackedLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->addWidget(icons_);
  stack_->addWidget(report_);
  icons_->setModel(empty_);
  style_ = vsIcon;  // so that the first call attaches the model to the table
  SetViewStyle(vsReport);
}

int TListView::SelectedRow() const {
  const QModelIndexList picked = selection_->selectedIndexes();
  if (!picked.isEmpty()) return picked.first().row();
  return -1;
}

QAbstractItemView* TListView::CurrentView() const {
  return style_ == vsReport ? static_cast<QAbstractItemView*>(report_) : icons_;
}

void TListView::SetViewStyle(TViewStyle style) {
  QAbstractItemView* before = CurrentView();
  style_ = style;
  QAbstractItemView* after = CurrentView();
  if (before != after) {
    int keep[kColumns];  // a new model resets the table's sections
    std::copy(std::begin(widths_), std::end(widths_), keep);
    before->setModel(empty_);
    after->setModel(model_);
    after->setSelectionModel(selection_);
    if (after == report_)
      for (int c = 0; c < kColumns; ++c) report_->setColumnWidth(c, widths_[c] = keep[c]);
    const QModelIndex current = selection_->currentIndex();
    if (current.isValid()) after->scrollTo(current);
  }
  if (style == vsReport) {
    stack_->setCurrentWidget(report_);
    return;
  }
  const bool large = style == vsIcon;
  icons_->setViewMode(large ? QListView::IconMode : QListView::ListMode);
  icons_->setIconSize(large ? QSize(32, 32) : QSize(16, 16));
  // Small icons run in rows, the list in columns; both wrap.
  icons_->setFlow(style == vsList ? QListView::TopToBottom : QListView::LeftToRight);
  icons_->setWrapping(true);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setMovement(QListView::Static);
  // Large icons sit in a grid of cells with up to three lines of name;
  // small icons and the list give each entry the width of its own name,
  // laid out a batch at a time so a big archive does not hold the window.
  icons_->setGridSize(large ? QSize(76, 40 + 3 * fontMetrics().lineSpacing()) : QSize());
  icons_->setWordWrap(large);
  icons_->setTextElideMode(large ? Qt::ElideRight : Qt::ElideNone);
  icons_->setItemDelegate(large ? iconNames_ : plainNames_);
  icons_->setUniformItemSizes(false);
  icons_->setLayoutMode(QListView::Batched);
  icons_->setBatchSize(2000);
  stack_->setCurrentWidget(icons_);
}

int TListView::ColumnWidth(int column) const { return column >= 0 && column < kColumns ? widths_[column] : 0; }

int TListView::DefaultColumnWidth(int column) const {
  if (column < 0 || column >= kColumns) return 0;
  static const char* const kSamples[kColumns] = {"", "999,999,999,999", "9999/99/99   99:99:99"};
  const int needed = *kSamples[column] ? fontMetrics().horizontalAdvance(QLatin1String(kSamples[column])) + 16 : 0;
  return std::max(kDefaultColumnWidths[column], needed);
}

void TListView::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= kColumns) return;
  if (width >= 0) {
    widths_[column] = width;
  } else if (width >= -2) {
    // Fitted in the table, which then has to hold the model for a moment.
    QAbstractItemModel* shown = report_->model();
    int keep[kColumns];
    std::copy(std::begin(widths_), std::end(widths_), keep);
    if (shown != model_) report_->setModel(model_);
    report_->resizeColumnToContents(column);  // takes the header's width into account too
    keep[column] = report_->columnWidth(column);
    std::copy(std::begin(keep), std::end(keep), widths_);
    if (shown != model_) report_->setModel(empty_);
  } else {
    widths_[column] = DefaultColumnWidth(column);
  }
  if (report_->model() == model_) report_->setColumnWidth(column, widths_[column]);
}

#include "app/listview.h"

#include "app/IniFile.h"

#include <QHeaderView>
#include <QListView>
#include <QStackedLayout>
#include <QStandardItemModel>
#include <QTreeView>

TListView::TListView(QWidget* parent) : QWidget(parent) {
  model_ = new QStandardItemModel(0, kColumns, this);
  model_->setHorizontalHeaderLabels(
      {QStringLiteral("ファイル名"), QStringLiteral("サイズ"), QStringLiteral("更新日時")});
  model_->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignCenter);
  model_->horizontalHeaderItem(2)->setTextAlignment(Qt::AlignCenter);

  icons_ = new QListView(this);
  icons_->setModel(model_);
  report_ = new QTreeView(this);
  report_->setModel(model_);
  report_->setSelectionModel(icons_->selectionModel());
  report_->setRootIsDecorated(false);
  report_->setItemsExpandable(false);
  report_->setUniformRowHeights(true);
  report_->header()->setSectionsClickable(false);
  report_->header()->setSectionsMovable(false);
  report_->header()->setStretchLastSection(false);
  report_->header()->setDefaultAlignment(Qt::AlignCenter);
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(icons_), static_cast<QAbstractItemView*>(report_)}) {
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setAccessibleName(QStringLiteral("ファイル一覧"));
  }
  for (int c = 0; c < kColumns; ++c) report_->setColumnWidth(c, kDefaultColumnWidths[c]);

  stack_ = new QStackedLayout(this);
  stack_->setContentsMargins(0, 0, 0, 0);
  stack_->addWidget(icons_);
  stack_->addWidget(report_);
  SetViewStyle(vsReport);
}

QItemSelectionModel* TListView::Selection() const { return icons_->selectionModel(); }

QAbstractItemView* TListView::CurrentView() const {
  return style_ == vsReport ? static_cast<QAbstractItemView*>(report_) : icons_;
}

void TListView::SetViewStyle(TViewStyle style) {
  style_ = style;
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
  icons_->setGridSize(large ? QSize(76, 64) : style == vsSmallIcon ? QSize(150, 20) : QSize());
  icons_->setWordWrap(large);
  icons_->setUniformItemSizes(true);
  stack_->setCurrentWidget(icons_);
}

int TListView::ColumnWidth(int column) const { return report_->columnWidth(column); }

void TListView::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= kColumns) return;
  if (width >= 0) {
    report_->setColumnWidth(column, width);
  } else if (width >= -2) {
    report_->resizeColumnToContents(column);  // takes the header's width into account too
  } else {
    report_->setColumnWidth(column, kDefaultColumnWidths[column]);
  }
}

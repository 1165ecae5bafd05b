#pragma once
#include <QWidget>

class QListView;
class QStackedLayout;
class QStandardItemModel;
class QTreeView;
class QItemSelectionModel;
class QAbstractItemView;
class QAbstractItemDelegate;

#include "ui/viewstyle.h"

// The main window's list: one model shown either as icons (large or small),
// as a list, or as a detail table with columns. Only the view on show holds
// the model, so a screen reader finds each entry once; the selection and the
// column widths are kept while another style is shown.
class TListView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kColumns = 3;

  explicit TListView(QWidget* parent = nullptr);

  void SetViewStyle(TViewStyle style);
  TViewStyle ViewStyle() const { return style_; }

  int ColumnWidth(int column) const;
  // -1 and -2 fit the column to its contents and header; a width below -2
  // means nothing to the list and gives the column its usual width.
  void SetColumnWidth(int column, int width);
  // The usual width: the designed one, or wider when the font in use needs
  // it for a full size or date ("999,999,999,999", "9999/99/99   99:99:99").
  int DefaultColumnWidth(int column) const;

  QStandardItemModel* Items() const { return model_; }
  QItemSelectionModel* Selection() const { return selection_; }
  // The row of the selected entry, whichever view selected it; -1 when none.
  int SelectedRow() const;
  QAbstractItemView* CurrentView() const;
  QListView* IconView() const { return icons_; }
  QTreeView* ReportView() const { return report_; }

 private:
  QStandardItemModel* model_;
  QStandardItemModel* empty_;  // what the hidden view shows
  QItemSelectionModel* selection_;
  QListView* icons_;
  QAbstractItemDelegate* iconNames_;   // large icons: names wrap anywhere
  QAbstractItemDelegate* plainNames_;  // the view's own
  QTreeView* report_;
  QStackedLayout* stack_;
  TViewStyle style_ = vsReport;
  int widths_[kColumns];
};

#include "components/FTVEX/FTVEX.h"

#include <QFileInfo>
#include <QHeaderView>

TFolderTreeViewEx::TFolderTreeViewEx(QWidget* parent) : QTreeView(parent) {
  setHeaderHidden(true);
  setAccessibleName(QStringLiteral("フォルダー"));
}

bool TFolderTreeViewEx::SelectPath(const QString& path) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return false;
  selected_ = path;
  emit OnChange(path);
  return true;
}

void TFolderTreeViewEx::RefreshTree() {}

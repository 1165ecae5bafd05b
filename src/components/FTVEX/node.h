// What the folder tree's own files share: its node and its caption.
#pragma once
#include "components/FTVEX/FTVEX.h"

#include <QTreeWidgetItem>

class TFolderTreeViewEx::Node : public QTreeWidgetItem {
 public:
  Node() { setFlags(flags() | Qt::ItemIsEditable); }  // only the rename command edits
  TTVITEMDATA data;
  bool filled = false;
  bool loading = false;  // its folder is being read; a placeholder stands for its entries
};

// The title of the tree's own message boxes.
inline constexpr char kComponentCaption[] = " FolderTreeViewEx component version 2.11";

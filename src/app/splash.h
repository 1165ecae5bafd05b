#pragma once
#include <QWidget>

class QLabel;

// The borderless window shown while the main window is being created.
class TfSplash : public QWidget {
  Q_OBJECT
 public:
  explicit TfSplash(QWidget* parent = nullptr);
  QLabel* Version;
};

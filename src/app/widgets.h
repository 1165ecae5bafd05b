#pragma once
#include <QLabel>
#include <QWidget>

// Gives a window its designed font size (the system's Japanese font).
void SetPixelFont(QWidget* window, int pixels);
// A label in the window's font, bold, as dialogs head their groups of controls.
QLabel* BoldLabel(const QString& text, QWidget* parent);

// A blue, underlined label with a hand cursor that reports clicks.
class TLinkLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLinkLabel(const QString& text, QWidget* parent = nullptr);
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The tag line in navy bold italics with a red ellipse drawn around it.
class TTagLine : public QWidget {
  Q_OBJECT
 public:
  explicit TTagLine(const QString& text, int pixelSize, QWidget* parent = nullptr);
  QSize sizeHint() const override;
  QString text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
};

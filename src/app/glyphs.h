#pragma once
#include <QIcon>
#include <QPixmap>

// Pictures of the program: the toolbar and menu glyphs (ImageList1) come from
// the desktop icon theme when it has them and are drawn here otherwise, so
// the window looks complete on a bare machine.
namespace glyphs {

enum Tool : int {
  kSettings = 1,
  kLargeIcons = 2,
  kSmallIcons = 3,
  kList = 4,
  kDetails = 5,
  kAutoViewOn = 6,
  kAutoViewOff = 7,
  kRefresh = 8,
  kHome = 9,
};

QIcon ImageList1(int index);
// The glyph as drawn by the program itself, whatever the theme has.
QIcon DrawnGlyph(int index);
QIcon ProgramIcon();
// The four member icons of an archive listing: 0 program, 1 text, 2 HTML, 3 other.
QIcon MemberIcon(int index);
// The splash window's background picture.
QPixmap SplashPicture(const QSize& size);

// icon with a small padlock in its lower right corner (an encrypted member).
QIcon Locked(const QIcon& icon);

}  // namespace glyphs

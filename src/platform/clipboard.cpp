#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace platform {
namespace {

const char kGnome[] = "x-special/gnome-copied-files";
const char kKdeCut[] = "application/x-kde-cutselection";

QClipboard* Board() { return QGuiApplication::clipboard(); }

QStringList LocalPaths(const QList<QUrl>& urls) {
  QStringList out;
  for (const QUrl& u : urls)
    if (u.isLocalFile() && !u.toLocalFile().isEmpty()) out << u.toLocalFile();
  return out;
}

}  // namespace

void SetClipboardText(const QString& text) {
  if (QClipboard* cb = Board()) cb->setText(text, QClipboard::Clipboard);
}

QMimeData* FileMimeData(const QStringList& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  data->setUrls(urls);  // text/uri-list
  data->setText(paths.join(QLatin1Char('\n')));
  return data;
}

void SetClipboardFiles(const QStringList& paths, bool cut) {
  QClipboard* cb = Board();
  if (!cb) return;
  QMimeData* data = FileMimeData(paths);
  QByteArray gnome = cut ? "cut" : "copy";
  for (const QUrl& u : data->urls()) gnome += '\n' + u.toEncoded();
  data->setData(QString::fromLatin1(kGnome), gnome);
  if (cut) data->setData(QString::fromLatin1(kKdeCut), "1");
  cb->setMimeData(data, QClipboard::Clipboard);
}

QStringList ClipboardFiles(bool* cut) {
  if (cut) *cut = false;
  QClipboard* cb = Board();
  const QMimeData* data = cb ? cb->mimeData(QClipboard::Clipboard) : nullptr;
  if (!data) return {};
  if (data->hasFormat(QString::fromLatin1(kGnome))) {
    QList<QByteArray> lines = data->data(QString::fromLatin1(kGnome)).split('\n');
    const QByteArray verb = lines.isEmpty() ? QByteArray() : lines.takeFirst().trimmed();
    QList<QUrl> urls;
    for (const QByteArray& line : lines)
      if (!line.trimmed().isEmpty()) urls << QUrl::fromEncoded(line.trimmed());
    const QStringList paths = LocalPaths(urls);
    if (!paths.isEmpty() && (verb == "cut" || verb == "copy")) {
      if (cut) *cut = verb == "cut";
      return paths;
    }
  }
  const QStringList paths = LocalPaths(data->urls());
  if (cut && !paths.isEmpty()) *cut = data->data(QString::fromLatin1(kKdeCut)).trimmed() == "1";
  return paths;
}

void ClearClipboard() {
  if (QClipboard* cb = Board()) cb->clear(QClipboard::Clipboard);
}

}  // namespace platform

#pragma once
// The properties dialog of one or more items: name, kind, folder, size,
// times and permissions.
#include <QString>
#include <QStringList>

class QWidget;

namespace shell {

void ShowProperties(QWidget* owner, const QStringList& paths);

// "1.2 MB (1,234,567 バイト)".
QString SizeText(qint64 bytes);
// "rwxr-xr-x" with the owner and group.
QString PermissionText(const QString& path);

}  // namespace shell

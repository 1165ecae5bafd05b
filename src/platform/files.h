#pragma once
#include <QByteArray>
#include <QString>

// Reading files the user points at, which may be anything a folder can hold.
namespace platform {

// Reads up to max bytes (all when negative) of a regular file, or of what a
// link points to when that is one; a FIFO, device or socket is never opened
// for reading, so nothing here can block. False when it is not a readable
// regular file.
bool ReadRegularFile(const QString& path, QByteArray* out, qint64 max = -1);

}  // namespace platform

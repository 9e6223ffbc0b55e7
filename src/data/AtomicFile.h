#pragma once

#include <QByteArray>
#include <QString>

// Writes a whole file so that it is either all there or not touched: the bytes
// go into a new file beside the target, are flushed to the disk, and only then
// replace it. A full disk, a missing folder or a refused permission leaves the
// old file byte for byte as it was.
namespace AtomicFile {

// Writes bytes to path. On failure throws AppError naming path, whose message
// is failureText followed by the reason in Russian ("на диске нет места").
void write(const QString &path, const QByteArray &bytes, const QString &failureText);

} // namespace AtomicFile

#pragma once
// A compound document (the structured storage that spreadsheet files of the
// classic office formats live in) holding one stream, written whole.

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace report {

// Writes a compound document of 512-byte sectors whose root holds the one
// stream `name` with `data`. The stream is padded to 4096 bytes with zero
// bytes when shorter, so it never needs the small-block stream.
void writeCompoundFile(QIODevice &out, const QString &name, QByteArray data);

} // namespace report

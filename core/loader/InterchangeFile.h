#pragma once
// Interchange files the program writes (acknowledgements, outbound runs, the
// send file): named after the time of writing, never replacing another file.

#include <QDateTime>
#include <QString>

namespace core {

// Creates a new file in `folder` named `stem` followed by ".OC" and writes
// `text` into it as 8-bit text (one byte per character). When that name is
// taken, a sequence number goes before the extension: stem-2.OC, stem-3.OC ...
// The file is created exclusively, so two writers in the same second never
// share a file. Returns the full path. Raises vb::VbError 75 ("Path/File
// access error" with the file's name) when no file can be created or written.
QString WriteNewInterchangeFile(const QString &folder, const QString &stem, const QString &text);

// The Folders/Outbound setting (default: the program folder).
QString OutboundFolder();

} // namespace core

#pragma once
// Interchange files the program writes (acknowledgements, outbound runs, the
// send file): named after the time of writing, never replacing another file,
// and never seen under their name before they are whole.

#include "vb/AtomicFile.h"

#include <QDateTime>
#include <QString>

#include <vector>

namespace core {

// An interchange file written whole under a temporary name in its folder,
// that takes its name only when told: a writer can keep the file nameless
// until what it records about the file is stored. Dropped unless published.
class PendingInterchangeFile {
public:
    // Writes `text` in the code page 1252 (one byte per character) and syncs
    // it. Raises vb::VbError 75 naming the file and the system's reason when
    // it cannot be written whole (a full disk), 5 naming the file, segment and
    // element of a character the code page cannot hold (nothing is written).
    // `kind` marks the temporary name, so that a writer finds its own
    // leftovers (UnnamedInterchangeFiles) and no other writer's.
    PendingInterchangeFile(const QString &folder, const QString &stem, const QString &text,
                           const QString &kind = QStringLiteral("OC"));

    QString temporaryPath() const { return m_file.temporaryPath(); }
    // The name publish() would give now: the first of stem.OC, stem-2.OC ...
    // that no file has.
    QString expectedPath() const;
    // Names the file `stem` followed by ".OC"; when that name is taken, a
    // sequence number goes before the extension: stem-2.OC, stem-3.OC ...
    // Returns the full path. Raises 75 when no name can be given.
    QString publish();

private:
    vb::AtomicFile m_file;
    QString m_folder;
    QString m_stem;
};

// Creates a new file in `folder` named `stem` followed by ".OC" (or with a
// sequence number, as PendingInterchangeFile::publish) holding `text`, and
// returns its full path. Two writers in the same second never share a file.
QString WriteNewInterchangeFile(const QString &folder, const QString &stem, const QString &text);

// Interchange files of `kind` in `folder` whose writer ended (was killed)
// before naming them: the temporary file and the stem it was to be named by.
struct UnnamedInterchangeFile {
    QString path;
    QString stem;
};
std::vector<UnnamedInterchangeFile> UnnamedInterchangeFiles(const QString &folder, const QString &kind);
// Gives such a file its name, as publish() does; returns the full path.
QString NameInterchangeFile(const UnnamedInterchangeFile &file, const QString &folder);

// The Folders/Outbound setting (default: the program folder).
QString OutboundFolder();

} // namespace core

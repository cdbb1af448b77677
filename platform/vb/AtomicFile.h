#pragma once
// Files written whole or not at all. The content goes to a temporary file
// beside the target (the same folder, so the rename never crosses file
// systems), every byte is checked to have reached it, it is synced, and only
// then does it take the target's name. A full disk, a size limit, an error
// raised while writing or a kill at any moment leaves the previous file byte
// for byte as it was. After each rename the folder is synced too, so the new
// name survives a power cut as well as the content does.
//
//   vb::writeFileAtomically(path, [&](QIODevice &out) { out.write(bytes); });
//
// A short write is an error here, not a count for each caller to check:
// every writer of the program gets the same refusal, naming the file and the
// system's reason ("No space left on device", "File too large").

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vb {

class AtomicFile {
public:
    // Creates the temporary file for `path` in its folder. Errors are raised
    // as `errorNumber` (with `source`), described "Cannot write <path>:
    // <reason>" ("Path/File access error: <path>: <reason>" for 75).
    explicit AtomicFile(const QString &path, int errorNumber = 75, const QString &source = {});
    // Drops the temporary file unless it took a name.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Where the content goes; a write that cannot be completed returns -1
    // and every later one too.
    QIODevice &device();
    const QString &path() const;
    QString temporaryPath() const;
    // True once a write fell short.
    bool failed() const;

    // Completes the temporary file (pending bytes written, synced, closed);
    // raises, dropping it, when any byte did not reach it.
    void finish();
    // finish(), then the temporary file replaces `path`. A folder that cannot
    // be synced after the rename is raised too: `path` is the new file then.
    void commit();
    // finish(), then the temporary file takes the name `target` (in the same
    // folder) only while no file has it; false when one has (the temporary
    // file stays for another name).
    bool commitNew(const QString &target);
    // Drops the temporary file.
    void cancel();

    // Raises the failure of the last write (the system's reason), or `reason`.
    [[noreturn]] void raiseFailure(const QString &reason = {}) const;

    // Renames `from` to `to` only while no file has the name `to`: false
    // when one has; raises `errorNumber` (naming `to`) on any other failure.
    static bool renameNew(const QString &from, const QString &to, int errorNumber = 75, const QString &source = {});

    // Temporary names are "." + the target's name + "." + six letters or
    // digits + ".part", so a leftover of a killed writer is recognised.
    static bool isTemporaryName(const QString &fileName);
    // The target's name a temporary name stands for; empty for other names.
    static QString targetNameOf(const QString &temporaryFileName);
    // Removes the temporary files of killed writers in `folder` (not its
    // subfolders), except those `keep` accepts by their target's name (files
    // another step finishes). Only for a folder no writer uses right now.
    // Returns the paths removed.
    static QStringList removeLeftovers(const QString &folder,
                                       const std::function<bool(const QString &targetName)> &keep = {});

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Syncs the folder itself, so the names a rename just gave or took in it
// survive a power cut. False with the system's reason in `reason` when it
// cannot be synced; a file system that cannot sync a folder at all counts
// as synced.
bool syncFolder(const QString &folder, QString *reason = nullptr);

// Writes `path` through an AtomicFile: `write` fills the device, then the
// file is committed. An error raised by `write` drops the temporary file and
// passes through, unless a write had fallen short under it: the refusal is
// then the file's own, with the system's reason.
void writeFileAtomically(const QString &path, const std::function<void(QIODevice &)> &write,
                         int errorNumber = 75, const QString &source = {});

} // namespace vb

#pragma once
// A small file system for tests of a full disk. Where the test may mount one
// (it runs as root with the right to mount), a tmpfs of the given size is
// mounted on a fresh folder: writes past its size fail with ENOSPC, as on a
// real full disk. Elsewhere (an unprivileged CI machine) the folder is
// ordinary and a file-size limit (RLIMIT_FSIZE, with SIGXFSZ ignored) stands
// in while a `Full` scope is held: writes past the size fail with EFBIG. Both
// give the writer a short write followed by an error, so the test runs
// everywhere. CORVANTIS_TEST_NO_MOUNT=1 takes the limit even as root.
//
//   corvantis::test::SmallFileSystem disk(tempDir() + "/disk", 256 * 1024);
//   ... write the previous file into disk.folder() ...
//   { auto full = disk.full(); ... the write that cannot fit ... }

#include <QString>

#include <optional>

#include <sys/resource.h>

namespace corvantis::test {

// While it lives, no file of this process can grow past the given size:
// writes past it fail with EFBIG ("File too large") instead of ending the
// process with SIGXFSZ, which is ignored meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    bool m_limited = false;
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

class SmallFileSystem {
public:
    SmallFileSystem(const QString &folder, qint64 bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    const QString &folder() const { return m_folder; }
    qint64 size() const { return m_bytes; }
    bool mounted() const { return m_mounted; }
    // What the system says of a write past the size: "No space left on
    // device" (tmpfs) or "File too large" (the limit).
    QString reason() const;

    // While it lives, files cannot grow past the size (a no-op on the tmpfs,
    // which is always that small).
    class Full {
    public:
        explicit Full(const SmallFileSystem &fs);
        ~Full();
        Full(const Full &) = delete;
        Full &operator=(const Full &) = delete;

    private:
        std::optional<FileSizeLimit> m_limit;
    };
    Full full() const { return Full(*this); }

private:
    QString m_folder;
    qint64 m_bytes;
    bool m_mounted = false;
};

} // namespace corvantis::test

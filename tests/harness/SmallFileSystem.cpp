#include "SmallFileSystem.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

namespace corvantis::test {

SmallFileSystem::SmallFileSystem(const QString &folder, qint64 bytes)
    : m_folder(folder), m_bytes(bytes)
{
    if (!QDir().mkpath(folder))
        ADD_FAILURE() << "cannot make " << folder.toStdString();
    if (qEnvironmentVariableIntValue("CORVANTIS_TEST_NO_MOUNT") == 1)
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        options.constData())
        == 0;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted && ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH) != 0)
        ADD_FAILURE() << "cannot unmount " << m_folder.toStdString() << ": " << std::strerror(errno);
}

QString SmallFileSystem::reason() const
{
    return QString::fromLocal8Bit(std::strerror(m_mounted ? ENOSPC : EFBIG));
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    // Past the limit the system would end the process with SIGXFSZ; ignored,
    // the write fails with EFBIG instead, as a full disk fails with ENOSPC.
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (getrlimit(RLIMIT_FSIZE, &m_saved) == 0) {
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(bytes);
        m_limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    if (!m_limited)
        ADD_FAILURE() << "cannot limit the file size: " << std::strerror(errno);
}

FileSizeLimit::~FileSizeLimit()
{
    if (m_limited)
        setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

SmallFileSystem::Full::Full(const SmallFileSystem &fs)
{
    if (!fs.mounted())
        m_limit.emplace(fs.size());
}

SmallFileSystem::Full::~Full() = default;

} // namespace corvantis::test

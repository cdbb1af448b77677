#include "inet/ResponseBuffer.h"

#include <QDir>

namespace inet {

void ResponseBuffer::clear()
{
    m_memory.clear();
    m_file.reset();
    m_size = 0;
    m_readPos = 0;
}

bool ResponseBuffer::append(const char *data, qint64 size)
{
    if (!m_file && m_size + size <= m_limit) {
        m_memory.append(data, size);
        m_size += size;
        return true;
    }
    if (!m_file) {
        m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/corvantis-response-XXXXXX"));
        // Reads and writes interleave at different positions; every access
        // seeks first, which also settles Qt's buffer.
        if (!m_file->open())
            return false;
        if (m_file->write(m_memory) != m_memory.size())
            return false;
        m_memory.clear();
        m_memory.squeeze();
    }
    if (!m_file->seek(m_size) || m_file->write(data, size) != size)
        return false;
    m_size += size;
    return true;
}

QByteArray ResponseBuffer::read(qint64 max)
{
    const qint64 n = std::min(max, unread());
    if (n <= 0)
        return {};
    QByteArray out;
    if (!m_file) {
        out = m_memory.mid(m_readPos, n);
    } else {
        out.resize(n);
        m_file->seek(m_readPos);
        const qint64 got = m_file->read(out.data(), n);
        out.resize(std::max<qint64>(got, 0));
    }
    m_readPos += out.size();
    return out;
}

} // namespace inet

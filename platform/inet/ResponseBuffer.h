#pragma once
// The bytes of one response, read from the front while they still arrive.
// Small responses stay in memory; past a threshold they move to a temporary
// file, so a large download never sits in memory.

#include <QByteArray>
#include <QTemporaryFile>
#include <memory>

namespace inet {

class ResponseBuffer {
public:
    explicit ResponseBuffer(qint64 memoryLimit = 1 << 20) : m_limit(memoryLimit) {}

    void clear();
    // False when the temporary file cannot be written.
    bool append(const char *data, qint64 size);
    qint64 size() const { return m_size; }
    qint64 unread() const { return m_size - m_readPos; }
    bool onDisk() const { return bool(m_file); }
    QByteArray read(qint64 max);

private:
    qint64 m_limit;
    QByteArray m_memory;
    std::unique_ptr<QTemporaryFile> m_file;
    qint64 m_size = 0;
    qint64 m_readPos = 0;
};

} // namespace inet

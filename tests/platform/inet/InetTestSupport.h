#pragma once
// What the transfer tests share: a control with its states recorded per
// operation, and servers started for one test.

#include "inet/InternetTransfer.h"

#include "LoopbackServers.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace inettest {

constexpr int kDeadlineMs = 30000;

struct Recorder {
    std::shared_ptr<inet::InternetTransfer> inet = std::make_shared<inet::InternetTransfer>();
    std::vector<int> states;

    Recorder()
    {
        QObject::connect(inet.get(), &inet::InternetTransfer::StateChanged, [this](short s) { states.push_back(s); });
        inet->setAccessType(inet::AccessDirect); // never a proxy for the loopback servers
        inet->setRequestTimeout(10);             // any wait of a test ends well within its limit
    }

    // Runs one Execute to its end; the states it raised are returned.
    std::vector<int> run(const QString &url, const QString &operation, const vb::Variant &data = vb::Variant::missing(),
                         const vb::Variant &headers = vb::Variant::missing())
    {
        states.clear();
        inet->execute(url.isEmpty() ? vb::Variant::missing() : vb::Variant(url), vb::Variant(operation), data, headers);
        EXPECT_TRUE(inet->waitForResponse(kDeadlineMs)) << "no end of " << operation.toStdString() << " within the deadline";
        // The last state may still be on its way through the event loop.
        return states;
    }

    QByteArray readAll(qint64 chunk = 1024)
    {
        QByteArray all;
        for (;;) {
            const QByteArray part = inet->getChunk(chunk);
            if (part.isEmpty())
                return all;
            all += part;
        }
    }
};

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QByteArray pattern(qint64 size)
{
    QByteArray b;
    b.reserve(size);
    for (qint64 i = 0; i < size; ++i)
        b.append(char((i * 7 + i / 251) & 0xff));
    return b;
}

} // namespace inettest

#pragma once
// Collects what is logged under one category (or every category under a
// prefix ending in '.') while it lives; everything else goes on to the
// handler that was installed before. For tests that an error deliberately
// not passed on is still recorded, with where and why.

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace corvantis::test {

class LogCapture {
public:
    explicit LogCapture(QByteArray category) : m_category(std::move(category))
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    // The lines that contain every one of the texts.
    QStringList linesWith(std::initializer_list<QString> texts) const
    {
        QStringList found;
        for (const QString &line : lines()) {
            bool all = true;
            for (const QString &text : texts)
                all = all && line.contains(text);
            if (all)
                found << line;
        }
        return found;
    }
    QString joined() const { return lines().join(QStringLiteral(" | ")); }

private:
    bool matches(const char *category) const
    {
        if (!category)
            return false;
        const QByteArray name(category);
        return m_category.endsWith('.') ? name.startsWith(m_category) : name == m_category;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        LogCapture *self = s_current;
        if (self && self->matches(context.category)) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
            return;
        }
        if (self && self->m_previous)
            self->m_previous(type, context, text);
    }

    static inline LogCapture *s_current = nullptr;
    QByteArray m_category;
    mutable QMutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace corvantis::test

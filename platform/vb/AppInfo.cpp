#include "AppInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#ifndef CORVANTIS_VERSION_MAJOR
#error "platform/vb/CMakeLists.txt defines the version numbers"
#endif

namespace vb::AppInfo {

namespace {

QMutex g_titleMutex;
QString &storedTitle()
{
    static QString t = QStringLiteral("Corvantis");
    return t;
}

// The executable itself; without a QCoreApplication (tools, early start-up)
// the kernel still knows it.
QFileInfo executable()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath());
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

} // namespace

QString path()
{
    return executable().absolutePath();
}

QString exeName()
{
    return executable().completeBaseName();
}

QString title()
{
    QMutexLocker lock(&g_titleMutex);
    return storedTitle();
}

void setTitle(const QString &t)
{
    QMutexLocker lock(&g_titleMutex);
    storedTitle() = t;
}

int major() { return CORVANTIS_VERSION_MAJOR; }
int minor() { return CORVANTIS_VERSION_MINOR; }
int revision() { return CORVANTIS_VERSION_PATCH; }

QString version()
{
    return QStringLiteral("%1.%2.%3").arg(major()).arg(minor()).arg(revision());
}

std::optional<QDateTime> buildDate()
{
    const QFileInfo exe = executable();
    if (!exe.exists())
        return std::nullopt;
    const QDateTime modified = exe.lastModified();
    if (!modified.isValid())
        return std::nullopt;
    return modified;
}

QString productName() { return QStringLiteral("Corvantis"); }
QString companyName() { return QStringLiteral("The Corvantis Project"); }

QString legalCopyright()
{
    return QStringLiteral("Copyright \u00A9 2026 The Corvantis Project. All rights reserved.");
}

QString legalTrademarks()
{
    return QStringLiteral("Warning: this program is protected by copyright law. "
                          "Unauthorized copying or distribution of it, or of any part of it, "
                          "is not permitted.");
}

} // namespace vb::AppInfo

#include "Dialogs.h"

#include "AppInfo.h"
#include "VbError.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>

namespace vb {

QList<int> msgBoxResults(int style)
{
    switch (msgBoxButtons(style)) {
    case vbOKOnly: return {vbOK};
    case vbOKCancel: return {vbOK, vbCancel};
    case vbAbortRetryIgnore: return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel: return {vbYes, vbNo, vbCancel};
    case vbYesNo: return {vbYes, vbNo};
    case vbRetryCancel: return {vbRetry, vbCancel};
    }
    raise(5, QStringLiteral("Invalid procedure call or argument: unknown message box buttons %1").arg(style));
}

int msgBoxEscapeResult(int style)
{
    const QList<int> results = msgBoxResults(style);
    if (results.contains(vbCancel))
        return vbCancel;
    if (results.contains(vbNo))
        return vbNo;
    if (results.contains(vbAbort))
        return vbAbort;
    return vbOK;
}

QString OpenFileResult::folder() const
{
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absolutePath();
}

QStringList OpenFileResult::names() const
{
    QStringList out;
    for (const QString &f : files)
        out << QFileInfo(f).fileName();
    return out;
}

namespace {

QMutex g_serviceMutex;

// A process without the dialogs library has nobody to answer a box: each one
// is written to the log and gets its escape answer, as a closed box would.
class UnattendedDialogs final : public DialogService {
public:
    int messageBox(const MessageBoxRequest &request) override
    {
        qWarning().noquote() << "Message box without a window system:" << request.prompt;
        return msgBoxEscapeResult(request.buttons);
    }
    std::optional<QString> inputBox(const InputBoxRequest &request) override
    {
        qWarning().noquote() << "Input box without a window system:" << request.prompt;
        return std::nullopt;
    }
    OpenFileResult openFile(const OpenFileRequest &) override { return {}; }
    std::optional<QString> browseFolder(const BrowseFolderRequest &) override { return std::nullopt; }
    bool printerSetup(const PrinterSetupRequest &) override { return false; }
};

std::shared_ptr<DialogService> &installedService()
{
    static std::shared_ptr<DialogService> service;
    return service;
}

std::shared_ptr<DialogService> &defaultService()
{
    static std::shared_ptr<DialogService> service = std::make_shared<UnattendedDialogs>();
    return service;
}

} // namespace

void setDialogService(std::shared_ptr<DialogService> service)
{
    QMutexLocker lock(&g_serviceMutex);
    installedService() = std::move(service);
}

void setDefaultDialogService(std::shared_ptr<DialogService> service)
{
    QMutexLocker lock(&g_serviceMutex);
    defaultService() = service ? std::move(service) : std::make_shared<UnattendedDialogs>();
}

static std::shared_ptr<DialogService> currentService()
{
    QMutexLocker lock(&g_serviceMutex);
    return installedService() ? installedService() : defaultService();
}

DialogService &dialogService()
{
    return *currentService();
}

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    msgBoxResults(buttons); // refuses an unknown button set before anything is shown
    const auto service = currentService(); // kept alive while the box is up
    return service->messageBox({prompt, buttons, title});
}

QString InputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    const auto service = currentService();
    return service->inputBox({prompt, title, defaultText}).value_or(QString());
}

QStringList qtNameFilters(const QString &classicFilter)
{
    if (classicFilter.isEmpty())
        return {};
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    if (parts.size() % 2 != 0)
        raise(5, QStringLiteral("Invalid filter: \"%1\" needs a pattern after each description").arg(classicFilter));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns;
        for (const QString &p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            if (!t.isEmpty())
                patterns << (t == QLatin1String("*.*") ? QStringLiteral("*") : t);
        }
        if (patterns.isEmpty())
            raise(5, QStringLiteral("Invalid filter: \"%1\" has no pattern").arg(parts[i]));
        // Qt reads the patterns from the last "(...)" of the text; a description
        // that already shows its pattern there gives it up for ours.
        static const QRegularExpression shownPattern(QStringLiteral("\\s*\\(([^()]*)\\)$"));
        const QRegularExpressionMatch m = shownPattern.match(description);
        if (m.hasMatch()) {
            QString shown = m.captured(1);
            shown.remove(QLatin1Char(' '));
            QString given = parts[i + 1];
            given.remove(QLatin1Char(' '));
            if (shown.compare(given, Qt::CaseInsensitive) == 0)
                description.chop(m.capturedLength(0));
        }
        out << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return out;
}

} // namespace vb

#include "core/SettingsSections.h"

#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace sections {

namespace {

const QString kFilter = QStringLiteral("Filter");
const QString kColumns = QStringLiteral("Columns");
const QString kViewer = QStringLiteral("Viewer");

QString truth(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

template <std::size_t N>
std::vector<bool> readSwitches(const QString &section, const std::array<Switch, N> &switches)
{
    std::vector<bool> on;
    on.reserve(N);
    for (const Switch &s : switches) {
        const QString text =
            vb::GetSetting(vb::AppInfo::title(), section, QString::fromLatin1(s.key), truth(s.defaultOn));
        const auto value = readTruthValue(text);
        if (!value)
            vb::raise(13);
        on.push_back(*value);
    }
    return on;
}

template <std::size_t N>
void writeSwitches(const QString &section, const std::array<Switch, N> &switches, const std::vector<bool> &on)
{
    if (on.size() != N)
        vb::raise(5);
    for (std::size_t i = 0; i < N; ++i)
        vb::SaveSetting(vb::AppInfo::title(), section, QString::fromLatin1(switches[i].key), truth(on[i]));
}

} // namespace

const std::array<const char *, 8> &folderKeys()
{
    static const std::array<const char *, 8> keys{"Database", "Export",   "Import",  "Inbound",
                                                  "Outbound", "Sent",     "Reports", "ActiveX"};
    return keys;
}

QString folder(const QString &key)
{
    return vb::GetSetting(vb::AppInfo::title(), QStringLiteral("Folders"), key, vb::AppInfo::path());
}

QStringList placeReportsContents(const QString &reports)
{
    QStringList failed;
    if (reports.isEmpty() || !QFileInfo(reports).isDir())
        return failed;
    const QString exportReports = reports + QStringLiteral("/Export");
    if (!QFileInfo(exportReports).isDir() && !QDir().mkpath(exportReports))
        failed << exportReports;
    const QString guideline = reports + QStringLiteral("/Guideline.rpt");
    const QString shipped = vb::AppInfo::path() + QStringLiteral("/Guideline.rpt");
    if (!QFileInfo::exists(guideline) && QFileInfo::exists(shipped) && !QFile::copy(shipped, guideline))
        failed << guideline;
    return failed;
}

const std::array<Switch, 12> &filterSwitches()
{
    static const std::array<Switch, 12> switches{{
        {"Partner", "Partner", true},
        {"Transaction", "Transaction", true},
        {"Version", "Version", true},
        {"Date", "Date", true},
        {"Time", "Time", true},
        {"Used", "Used", false},
        {"Interchange Control Number", "InterchangeControlNumber", false},
        {"Group Control Number", "GroupControlNumber", false},
        {"Sender ID", "SenderID", false},
        {"Sender Division", "SenderDivision", false},
        {"Receiver ID", "ReceiverID", false},
        {"Receiver Division", "ReceiverDivision", false},
    }};
    return switches;
}

const std::array<Switch, 13> &columnSwitches()
{
    static const std::array<Switch, 13> switches{{
        {"Acknowledged", "Acknowledged", true},
        {"Partner", "Partner", true},
        {"Transaction", "Transaction", true},
        {"Version", "Version", true},
        {"Date", "Date", true},
        {"Time", "Time", true},
        {"Used", "Used", false},
        {"Interchange Control Number", "InterchangeControlNumber", false},
        {"Group Control Number", "GroupControlNumber", false},
        {"Sender ID", "SenderID", false},
        {"Sender Division", "SenderDivision", false},
        {"Receiver ID", "ReceiverID", false},
        {"Receiver Division", "ReceiverDivision", false},
    }};
    return switches;
}

std::optional<bool> readTruthValue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return number != 0;
}

std::vector<bool> readFilter()
{
    return readSwitches(kFilter, filterSwitches());
}

std::vector<bool> readColumns()
{
    return readSwitches(kColumns, columnSwitches());
}

void writeFilter(const std::vector<bool> &on)
{
    writeSwitches(kFilter, filterSwitches(), on);
}

void writeColumns(const std::vector<bool> &on)
{
    writeSwitches(kColumns, columnSwitches(), on);
}

const std::array<const char *, 22> &viewerKeys()
{
    static const std::array<const char *, 22> keys{
        "AnimationControl",    "DisplayBackgroundEdge", "DisplayBorder",      "DisplayGroupTree",
        "DisplayTabs",         "DisplayToolbar",        "EnableCloseButton",  "EnableDrillDown",
        "EnableGroupTree",     "EnablePrintButton",     "EnableProgressControl", "EnableRefreshButton",
        "EnableSearchControl", "SearchExpertButton",    "SelectExpertButton", "EnableStopButton",
        "EnableToolbar",       "EnableZoomControl",     "ExportButton",       "HelpButton",
        "NavigationControls",  "PopupMenu"};
    return keys;
}

bool readViewerSwitch(const QString &key)
{
    const QString text = vb::GetSetting(vb::AppInfo::title(), kViewer, key, QStringLiteral("1"));
    return readTruthValue(text).value_or(true);
}

void writeViewerSwitch(const QString &key, bool on)
{
    vb::SaveSetting(vb::AppInfo::title(), kViewer, key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace sections

#include "reports/ReportCommands.h"

#include "translation/OpenReport.h"

#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "core/SettingsSections.h"
#include "core/modGlobal.h"
#include "ado/Connection.h"
#include "ado/Transaction.h"
#include "ado/Sql.h"
#include "report/PrintService.h"
#include "report/ReportDocument.h"
#include "report/ReportFile.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

#include <QFileInfo>
#include <QStringList>

#include <array>

using namespace Qt::StringLiterals;

namespace reports {

namespace {

// Clears the open report whatever way the command ends: only a window that
// took it keeps it.
struct OpenReportScope {
    ~OpenReportScope() { translation::crxReport.reset(); }
};

// Runs a command body; every error goes to ReportError and ends it.
template <class Body>
Outcome guarded(Body &&body)
{
    try {
        return body();
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    translation::crxReport.reset();
    return Outcome::Failed;
}

QString reportsFolder()
{
    return sections::folder(u"Reports"_s);
}

bool hasRows(const ado::RecordsetPtr &rs)
{
    return rs && rs->RecordCount() > 0;
}

translation::ReportWindows &windows()
{
    translation::ReportWindows *w = translation::reportWindows();
    if (!w)
        vb::raise(5, u"The report windows are not available."_s);
    return *w;
}

void missingReport(const QString &boxText, const QString &historyText, bool silent)
{
    if (!silent)
        vb::MsgBox(boxText, vb::vbOKOnly | vb::vbCritical, modGlobal::AppTitle());
    modGlobal::LogHistory(u"Error"_s, historyText);
}

void openReport(const QString &path, const ado::RecordsetPtr &rows)
{
    translation::crxReport = report::ReportDocument::open(path);
    if (rows)
        translation::crxReport->setDataSource(rows);
}

} // namespace

ReportCommands::ReportCommands(ReportServices services) : m_services(std::move(services)) {}

QString ReportCommands::ViewerReportPath(const ReportKey &key)
{
    return reportsFolder() + u'/' + key.fileStem() + u".RPT"_s;
}

QString ReportCommands::ExportReportPath(const ReportKey &key)
{
    return reportsFolder() + u"/Export/"_s + key.fileStem() + u".RPT"_s;
}

QString ReportCommands::ActiveXReportPath(const ReportKey &key)
{
    return reportsFolder() + u"/ActiveX/"_s + key.fileStem() + u".RPT"_s;
}

QString ReportCommands::ExportFilePath(const ReportKey &key, int16_t formatIndex)
{
    return sections::folder(u"Export"_s) + u'/' + key.fileStem() + u'.'
        + modGlobal::GetExportExtension(formatIndex);
}

QString ReportCommands::existingReport(const QString &path)
{
    const QFileInfo info(path);
    return report::findReportFile(info.absolutePath(), info.fileName());
}

ReportKey ReportCommands::selectionKey(const core::MailboxSelection &selection)
{
    if (!selection.hasCurrentItem)
        return {};
    const QString text = m_services.isSelectionUnique ? m_services.isSelectionUnique(selection) : QString();
    return ReportKey::fromSelection(text);
}

void ReportCommands::ViewReport(const core::MailboxSelection &selection)
{
    guarded([&] {
        const ReportKey key = selectionKey(selection);
        if (key.isEmpty())
            return Outcome::NothingToDo;
        const ado::RecordsetPtr rs = m_services.translateAll(selection, key, false, true);
        if (!rs)
            return Outcome::NothingToDo; // the translation has logged
        const QString path = ViewerReportPath(key);
        const QString found = existingReport(path);
        if (found.isEmpty()) {
            modGlobal::LogHistory(u"Error"_s, u"Viewer Report Not Found: "_s + path);
            return Outcome::Failed;
        }
        OpenReportScope scope;
        openReport(found, rs);
        windows().showViewer();
        return Outcome::Done;
    });
}

Outcome ReportCommands::PrintReport(const core::MailboxSelection &selection, bool blnSilent)
{
    return guarded([&] {
        const ReportKey key = selectionKey(selection);
        if (key.isEmpty())
            return Outcome::NothingToDo;
        const ado::RecordsetPtr rs = m_services.translateAll(selection, key, false, true);
        // Nothing translated: the translation has logged; nothing to print.
        if (!hasRows(rs))
            return rs ? Outcome::NothingToDo : Outcome::Failed;
        const QString path = ViewerReportPath(key);
        const QString found = existingReport(path);
        if (found.isEmpty()) {
            missingReport(u"Veiwer Report Not Found: "_s + path, u"Viewer Report Not Found: "_s + path, blnSilent);
            return Outcome::Failed;
        }
        OpenReportScope scope;
        openReport(found, rs);
        translation::crxReport->printOut();
        return Outcome::Done;
    });
}

void ReportCommands::exportOpenReport(const ReportKey &key, const QString &path, const ado::RecordsetPtr &rows)
{
    OpenReportScope scope;
    openReport(path, rows);
    const int16_t index = GetExportFormat(key.partner, key.transaction, key.version, key.direction);
    // Index 27 names the same file as its XML file: one file is written.
    const QString file = ExportFilePath(key, index);
    translation::crxReport->exportTo(modGlobal::GetExportFormatType(index), file);
    if (!QFileInfo::exists(file))
        vb::raise(75, u"Path/File access error: the export file was not written: "_s + file);
}

Outcome ReportCommands::ExportReport(const core::MailboxSelection &selection, bool blnSilent)
{
    return guarded([&] {
        const ReportKey key = selectionKey(selection);
        if (key.isEmpty())
            return Outcome::NothingToDo;
        // Translated as for viewing: the rows become "Exported" only once the
        // file is written.
        const ado::RecordsetPtr rs = m_services.translateAll(selection, key, false, true);
        if (!rs)
            return Outcome::Failed;
        const QString path = ExportReportPath(key);
        const QString found = existingReport(path);
        if (found.isEmpty()) {
            missingReport(u"Export Report Not Found: "_s + path, u"Export Report Not Found "_s + path, blnSilent);
            return Outcome::Failed;
        }
        exportOpenReport(key, found, rs);
        MarkExported(selection);
        return Outcome::Done;
    });
}

void ReportCommands::design(const core::MailboxSelection &selection, const QString &path, const QString &message)
{
    Q_UNUSED(path);
    guarded([&] {
        const ReportKey key = selectionKey(selection);
        if (key.isEmpty())
            return Outcome::NothingToDo;
        QString reportPath;
        if (message.startsWith(u"Viewer"_s))
            reportPath = ViewerReportPath(key);
        else if (message.startsWith(u"Export"_s))
            reportPath = ExportReportPath(key);
        else
            reportPath = ActiveXReportPath(key);
        const QString found = existingReport(reportPath);
        if (found.isEmpty()) {
            missingReport(message + reportPath, message + reportPath, false);
            return Outcome::Failed;
        }
        OpenReportScope scope;
        openReport(found, nullptr);
        const bool shown = windows().showDesigner();
        if (m_services.processEvents)
            m_services.processEvents();
        return shown ? Outcome::Done : Outcome::NothingToDo;
    });
}

void ReportCommands::DesignViewerReport(const core::MailboxSelection &selection)
{
    design(selection, {}, u"Viewer Report Not Found: "_s);
}

void ReportCommands::DesignExportReport(const core::MailboxSelection &selection)
{
    design(selection, {}, u"Export Report Not Found: "_s);
}

void ReportCommands::DesignActiveXReport(const core::MailboxSelection &selection)
{
    design(selection, {}, u"ActiveX Report Not Found: "_s);
}

int16_t ReportCommands::GetExportFormat(const QString &strPartner, const QString &strTransaction,
                                        const QString &strVersion, const QString &strDirection)
{
    try {
        if (!modGlobal::cnDatabase)
            vb::raise(3709);
        ado::Recordset rs;
        const ReportKey key{strPartner, strTransaction, strVersion, strDirection};
        rs.Open(u"SELECT * FROM Transactions WHERE "_s + key.condition(u"Transactions"_s), key.values(),
                *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockOptimistic);
        if (rs.Eof())
            vb::raise(3021);
        return rs(u"ExportFormat"_s).Value().toInteger();
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return 0;
}

QString ReportCommands::ActiveXFalseText(const ReportKey &key)
{
    return u"ActiveX returned False: "_s + key.fileStem();
}

QString ReportCommands::Mismatched862Text(const ReportKey &key, const ReportKey &previous)
{
    return u"The previous schedule selected in Recycled ("_s + previous.fileStem()
        + u") is not of the schedule's partner, transaction set and version ("_s + key.fileStem()
        + u"); ActiveX not called"_s;
}

QString ReportCommands::NoPreviousScheduleText(const ReportKey &key)
{
    return u"No previous schedule in Recycled for "_s + key.fileStem();
}

namespace {

// The selected rowids of a list as statement text; rowid 0 is no row.
QStringList rowidTexts(const core::MailboxSelection &selection)
{
    QStringList rowids;
    for (const qint64 rowid : selection.rowids)
        if (rowid != 0)
            rowids << QString::number(rowid);
    return rowids;
}

// The keys of the selected rows of a list, read from its table by rowid.
std::vector<ReportKey> selectedKeys(const core::MailboxSelection &list)
{
    std::vector<ReportKey> keys;
    const QStringList rowids = rowidTexts(list);
    if (rowids.isEmpty())
        return keys;
    ado::Recordset rs;
    rs.Open(u"SELECT DISTINCT Partner, [Transaction], Version, Direction FROM "_s + list.table
                + u" WHERE rowid IN ("_s + rowids.join(u',') + u')',
            *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        keys.push_back({rs(u"Partner"_s).Value().toString(), rs(u"Transaction"_s).Value().toString(),
                        rs(u"Version"_s).Value().toString(), rs(u"Direction"_s).Value().toString()});
    return keys;
}

bool anyRowOf(const QString &table, const ReportKey &key)
{
    ado::Recordset rs;
    rs.Open(u"SELECT count(*) AS n FROM "_s + table + u" WHERE Partner = "_s + ado::SqlText(key.partner)
                + u" AND [Transaction] = "_s + ado::SqlText(key.transaction) + u" AND Version = "_s
                + ado::SqlText(key.version),
            *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    return rs(u"n"_s).Value().toLong() > 0;
}

bool sameSchedule(const ReportKey &a, const ReportKey &b)
{
    return a.partner.compare(b.partner, Qt::CaseInsensitive) == 0
        && a.transaction.compare(b.transaction, Qt::CaseInsensitive) == 0
        && a.version.compare(b.version, Qt::CaseInsensitive) == 0;
}

} // namespace

Outcome ReportCommands::ActiveX(const core::MailboxSelection &selection, int intOutput)
{
    return guarded([&] {
        const ReportKey key = selectionKey(selection);
        if (key.isEmpty())
            return Outcome::NothingToDo;
        // Another mode would translate and call the plug-in for nothing.
        if (intOutput < 0 || intOutput > 2)
            return Outcome::Failed;
        if (!modGlobal::cnDatabase)
            vb::raise(3709);

        const QString progId =
            modGlobal::GetActiveXClass(key.partner, key.transaction, key.version, key.direction, false);
        const com::DispatchPtr plugin = com::CreateObject(progId);

        const ado::RecordsetPtr rs = m_services.translateAll(selection, key, false, true);
        if (!rs)
            return Outcome::Failed;
        if (!hasRows(rs))
            return Outcome::NothingToDo;

        vb::Variant previous = vb::Variant::nothing();
        if (key.transaction == u"862"_s) {
            if (!m_services.recycled)
                vb::raise(5, u"The Recycled list is not available."_s);
            if (!anyRowOf(m_services.recycled().table, key)) {
                modGlobal::LogHistory(u"Information"_s, NoPreviousScheduleText(key));
                return Outcome::NoPreviousSchedule;
            }
            if (m_services.selectPreviousSchedule)
                m_services.selectPreviousSchedule(key);
            // Taken after the choice above, which changes it.
            const core::MailboxSelection recycled = m_services.recycled();
            for (const ReportKey &other : selectedKeys(recycled)) {
                if (!sameSchedule(other, key)) {
                    modGlobal::LogHistory(u"Warning"_s, Mismatched862Text(key, other));
                    return Outcome::Failed;
                }
            }
            const ado::RecordsetPtr before = m_services.translateAll(recycled, key, false, true);
            if (!hasRows(before))
                return before ? Outcome::NothingToDo : Outcome::Failed;
            previous = com::toVariant(before);
        }

        std::array<vb::Variant, 6> args{com::toVariant(rs), previous, vb::Variant(key.partner),
                                        vb::Variant(key.transaction), vb::Variant(key.version),
                                        vb::Variant(key.direction)};
        const vb::Variant result = com::CallByName(plugin, u"ActiveX"_s, com::Method, args);
        if (!result.toBool()) {
            modGlobal::LogHistory(u"Warning"_s, ActiveXFalseText(key));
            return Outcome::Failed;
        }
        ado::RecordsetPtr reported = com::recordsetOf(args[0]);
        if (!reported)
            vb::raise(424, u"Object required: the plug-in returned no record set"_s);

        const QString path = ActiveXReportPath(key);
        QString found = existingReport(path);
        if (found.isEmpty())
            found = path; // opening it reports the missing file
        switch (intOutput) {
        case 0: {
            OpenReportScope scope;
            openReport(found, reported);
            windows().showViewer();
            break;
        }
        case 1: {
            OpenReportScope scope;
            openReport(found, reported);
            translation::crxReport->printOut();
            break;
        }
        case 2:
            exportOpenReport(key, found, reported);
            break;
        }
        return Outcome::Done;
    });
}

void MarkExported(const core::MailboxSelection &selection)
{
    const QStringList rowids = rowidTexts(selection);
    if (rowids.isEmpty() || !modGlobal::cnDatabase)
        return;
    ado::Connection &cn = *modGlobal::cnDatabase;
    ado::inTransaction(cn, [&] {
        cn.Execute(u"UPDATE "_s + selection.table + u" SET Status = 'Exported' WHERE Status = 'Opened' AND rowid IN ("_s
                   + rowids.join(u',') + u')');
    });
    if (modGlobal::mainWindowLink().RefreshBox)
        modGlobal::mainWindowLink().RefreshBox(selection.table);
}

} // namespace reports

// The report runs' fixture (ReportRunTest), apart from the translation
// support: it prints on the program's shared printer, so only the tests that
// link the report windows' printing compile it.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "reports/ReportCommands.h"
#include "translation/InboundTranslation.h"

#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>
#include <QPrinter>

namespace translationtest {

void ReportRunTest::SetUp()
{
    TranslationTest::SetUp();
    reportsFolder = corvantis::test::tempDir() + QStringLiteral("/reports");
    exportFolder = corvantis::test::tempDir() + QStringLiteral("/export");
    QDir().mkpath(reportsFolder + QStringLiteral("/Export"));
    QDir().mkpath(reportsFolder + QStringLiteral("/ActiveX"));
    QDir().mkpath(exportFolder);
    vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Reports"), reportsFolder);
    vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Export"), exportFolder);
    translation::setReportWindows(&windows);
    QPrinter &printer = vb::sharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(corvantis::test::tempDir() + QStringLiteral("/printed.pdf"));
}

void ReportRunTest::TearDown()
{
    vb::sharedPrinter().setOutputFileName({});
    translation::setReportWindows(nullptr);
    translation::crxReport.reset();
    TranslationTest::TearDown();
}

void ReportRunTest::addReportKey(int exportFormat)
{
    addMap(parseMap(QStringLiteral("S 1 BSN\n"
                                   "E 1\n"
                                   "| objScript.ElementToSegment\n"
                                   "S 2 LIN\n"
                                   "| objScript.SegmentToSegments : objScript.WriteToLines : "
                                   "objScript.LinesToRecord Record\n"
                                   "E 1\n")));
    addPartner(key.partner);
    addRow(QStringLiteral("Transactions"), {{"Partner", key.partner}, {"Transaction", key.transaction},
                                            {"Version", key.version}, {"Direction", key.direction},
                                            {"ExportFormat", vb::Variant::fromLong(exportFormat)}});
    translation::CreateRecordDefinition(key, false);
}

reports::ReportCommands ReportRunTest::commands()
{
    reports::ReportServices services;
    services.isSelectionUnique = [this](const core::MailboxSelection &list) { return selectionKey(list); };
    services.translateAll = [this](const core::MailboxSelection &list, const reports::ReportKey &k, bool exportFlag,
                                   bool silent) {
        translation::InboundTranslation run(*host, &progress);
        return run.TranslateAll(list, k.partner, k.transaction, k.version, k.direction, exportFlag, silent);
    };
    services.recycled = [this] { return recycled; };
    return reports::ReportCommands(std::move(services));
}

QString ReportRunTest::selectionKey(const core::MailboxSelection &list)
{
    QString found;
    for (const qint64 rowid : list.rowids) {
        const auto row = rows(QStringLiteral("SELECT Partner || ',' || [Transaction] || ',' || Version || ',' || "
                                             "Direction AS k FROM ")
                              + list.table + QStringLiteral(" WHERE rowid = ") + QString::number(rowid));
        const QString k = row.at(0).at(QStringLiteral("k"));
        if (!found.isEmpty() && found != k)
            return QString();
        found = k;
    }
    return found;
}

} // namespace translationtest

// Every file writer of the program on a full small file system: the write
// that cannot fit is refused with the file's name and the system's reason,
// and the folder is byte for byte what it was (the previous file unchanged,
// no cut file, no temporary file left).
#include "CoreTestSupport.h"
#include "ReportTestSupport.h"
#include "SmallFileSystem.h"
#include "TestEnvironment.h"

#include "communications/SendFile.h"
#include "core/loader/InterchangeFile.h"
#include "core/loader/InterchangeLoader.h"
#include "integration/ImportFiles.h"
#include "report/Export.h"
#include "report/ReportFile.h"
#include "vb/Settings.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>

#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kDiskSize = 512 * 1024;

// Every file of a folder (hidden ones included) with its bytes.
std::map<QString, QByteArray> snapshot(const QString &folder)
{
    std::map<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        QFile file(folder + u'/' + name);
        files[name] = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    return files;
}

// The rows of the invoice report, `count` of them, every text at most its field's size.
report::SavedData invoiceRows(int count)
{
    report::SavedData data;
    data.fields = report::test::invoiceReport().fields;
    for (int i = 0; i < count; ++i) {
        data.rows.push_back({vb::Variant(u"Partner %1"_s.arg(i, 6, 10, QLatin1Char('0'))),
                             vb::Variant::fromLong(100000 + i), vb::Variant::fromCurrencyValue(i * 1.25),
                             vb::Variant::fromDate(46357.0 + i % 300),
                             vb::Variant(u"note %1 of the order"_s.arg(i * 7919 % 100000)), vb::Variant(i % 2 == 0)});
    }
    return data;
}

struct Writer {
    std::string name;
    qint64 diskSize = kDiskSize;
    QString file; // the file the writer keeps in the folder ("" for writers of new files)
    // Writes the previous file (small) or the one that cannot fit (large) into `folder`.
    std::function<void(const QString &folder, bool large)> write;
};

class FullDisk : public coretest::CoreTest, public ::testing::WithParamInterface<Writer> {};

TEST_P(FullDisk, TheRefusedWriteLeavesTheFolderAsItWas)
{
    const Writer &writer = GetParam();
    corvantis::test::SmallFileSystem disk(corvantis::test::tempDir() + u"/disk"_s, writer.diskSize);
    writer.write(disk.folder(), false);
    const auto before = snapshot(disk.folder());
    if (!writer.file.isEmpty()) {
        ASSERT_TRUE(before.count(writer.file)) << "the previous file was not written";
    }

    std::optional<vb::VbError> error;
    {
        const auto full = disk.full();
        try {
            writer.write(disk.folder(), true);
        } catch (const vb::VbError &e) {
            error = e;
        }
    }
    ASSERT_TRUE(error) << "a write that cannot fit returned normally";
    EXPECT_TRUE(error->description.contains(disk.reason())) << error->description.toStdString();
    if (!writer.file.isEmpty()) {
        EXPECT_TRUE(error->description.contains(writer.file)) << error->description.toStdString();
    }
    EXPECT_EQ(snapshot(disk.folder()), before);
}

std::vector<Writer> writers()
{
    using report::test::invoiceReport;
    std::vector<Writer> list;
    auto rowsFor = [](bool large, int rows = 12000) { return report::MemorySource(invoiceRows(large ? rows : 3)); };

    list.push_back({"ReportFile", kDiskSize, u"invoices.rpt"_s, [](const QString &folder, bool large) {
                        report::Report r = invoiceReport();
                        if (large)
                            r.title = QString(1024 * 1024, u'T');
                        report::saveReport(r, folder + u"/invoices.rpt"_s);
                    }});
    list.push_back({"ReportWithData", kDiskSize, u"data.rpt"_s, [=](const QString &folder, bool large) {
                        auto rows = rowsFor(large);
                        report::writeReportWithData(invoiceReport(), rows, folder + u"/data.rpt"_s);
                    }});
    list.push_back({"FieldDefinition", kDiskSize, u"fields.ttx"_s, [](const QString &folder, bool large) {
                        std::vector<report::FieldDef> fields;
                        for (int i = 0; i < (large ? 60000 : 3); ++i)
                            fields.push_back({u"Field%1"_s.arg(i), 200, 30, 0, 0});
                        report::writeFieldDefinitionFile(fields, folder + u"/fields.ttx"_s);
                    }});
    list.push_back({"ReportDefinitionText", kDiskSize, u"definition.txt"_s, [](const QString &folder, bool large) {
                        report::Report r = invoiceReport();
                        if (large)
                            r.title = QString(1024 * 1024, u'T');
                        report::writeReportDefinitionText(r, folder + u"/definition.txt"_s);
                    }});
    // Every format the export table writes (ODBC and Word documents are
    // refused before any file is made).
    for (const int type : {report::ExportDif, report::ExportRecordStyle, report::ExportCsv, report::ExportTsv,
                           report::ExportCharSeparated, report::ExportText, report::ExportTabText,
                           report::ExportPaginatedText, report::ExportLotusWks, report::ExportLotusWk1,
                           report::ExportLotusWk3, report::ExportExcel5, report::ExportExcel5Extended,
                           report::ExportHtml32, report::ExportExcel7, report::ExportExcel7Extended,
                           report::ExportExcel8, report::ExportExcel8Extended, report::ExportPdf,
                           report::ExportHtml40, report::ExportReportFile, report::ExportReportDefinition,
                           report::ExportRtf, report::ExportXml}) {
        // Lotus files hold at most 2047 rows: fewer rows on a smaller disk.
        const bool lotus = type == report::ExportLotusWks || type == report::ExportLotusWk1
            || type == report::ExportLotusWk3;
        list.push_back({"Export" + std::to_string(type), lotus ? 96 * 1024 : kDiskSize, u"export.out"_s,
                        [=](const QString &folder, bool large) {
                            auto rows = rowsFor(large, lotus ? 2000 : 12000);
                            report::Report r = invoiceReport();
                            if (large && type == report::ExportReportDefinition)
                                r.title = QString(1024 * 1024, u'T');
                            report::exportReport(r, rows, type, folder + u"/export.out"_s);
                        }});
    }
    list.push_back({"ImportFiles", kDiskSize, u"ACME_850_004010_O.IMP"_s, [](const QString &folder, bool large) {
                        integration::QueryResult result;
                        result.hasRowset = true;
                        result.columns = {{u"Key"_s, 200, 20, 0, 0}, {u"Note"_s, 200, 200, 0, 0}};
                        for (int i = 0; i < (large ? 20000 : 3); ++i)
                            result.rows.push_back({vb::Variant(u"K%1"_s.arg(i)), vb::Variant(QString(40, u'n'))});
                        integration::WriteImportFiles(result, folder + u"/ACME_850_004010_O"_s, false);
                    }});
    list.push_back({"Settings", kDiskSize, u"Corvantis.ini"_s, [](const QString &folder, bool large) {
                        vb::setSettingsRoot(folder);
                        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s,
                                        large ? QString(1024 * 1024, u'x') : u"/data/import"_s);
                    }});
    list.push_back({"Latin1TextFile", kDiskSize, u"ACME_850_004010_I.ADO"_s, [](const QString &folder, bool large) {
                        vb::writeWindows1252File(folder + u"/ACME_850_004010_I.ADO"_s,
                                            large ? QString(1024 * 1024, u'\xE9') : u"Key\t200\t10\r\n"_s);
                    }});
    // Writers of new files: the previous interchange stays, nothing is added.
    list.push_back({"InterchangeFile", kDiskSize, {}, [](const QString &folder, bool large) {
                        core::WriteNewInterchangeFile(folder, u"121026-010509 PM"_s,
                                                      large ? QString(1024 * 1024, u'X') : u"ISA*small~"_s);
                    }});
    list.push_back({"SendFile", kDiskSize, {}, [](const QString &folder, bool large) {
                        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, folder);
                        if (!large) {
                            const QString copy = corvantis::test::tempDir() + u"/acme.OC"_s;
                            ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTIS_FIXTURES "/sendfile/acme.OC"), copy));
                            ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString());
                            communications::writeSendFile();
                            // Then a set with a long note, that cannot fit.
                            modGlobal::cnDatabase->Execute(u"UPDATE Outbox SET TSet = replace(TSet, 'SE*', 'NTE*"_s
                                                           + QString(1024 * 1024, u'N') + u"~SE*')"_s);
                            return;
                        }
                        communications::writeSendFile();
                    }});
    return list;
}

INSTANTIATE_TEST_SUITE_P(Writers, FullDisk, ::testing::ValuesIn(writers()),
                         [](const ::testing::TestParamInfo<Writer> &info) { return info.param.name; });

} // namespace

#pragma once
// The records fixture and the report fixture every report test starts from,
// golden-file comparison and the outside readers the binary exports are
// checked with.

#include "report/Model.h"
#include "report/RowSource.h"

#include "TestEnvironment.h"
#include "ado/Recordset.h"
#include "vb/DateTime.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace report::test {

inline QString fixture(const QString &name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/report/") + name;
}

inline QString tmp(const QString &name) { return corvantis::test::tempDir() + QLatin1Char('/') + name; }

inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return f.readAll();
}

inline void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// Compares `actual` with the golden file; CORVANTIS_UPDATE_GOLDEN=1 rewrites it.
inline void expectGolden(const QString &name, const QByteArray &actual)
{
    const QString path = fixture(name);
    if (qEnvironmentVariableIsSet("CORVANTIS_UPDATE_GOLDEN")) {
        putBytes(path, actual);
        return;
    }
    EXPECT_EQ(actual, bytesOf(path)) << "golden file " << name.toStdString();
}

// Names of the files in `folder` (the temporary names included).
inline QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The records fixture: every kind of value, quotes, separators, Latin-1 and Null.
inline ado::RecordsetPtr invoices()
{
    auto rs = std::make_shared<ado::Recordset>();
    const long nullable = ado::adFldUpdatable | ado::adFldIsNullable;
    rs->Fields().Append("Partner", ado::adVarChar, 20, nullable);
    rs->Fields().Append("Invoice", ado::adInteger, 4, nullable);
    rs->Fields().Append("Amount", ado::adCurrency, 8, nullable);
    rs->Fields().Append("Shipped", ado::adDate, 8, nullable);
    rs->Fields().Append("Note", ado::adVarChar, 30, nullable);
    rs->Fields().Append("Paid", ado::adBoolean, 2, nullable);
    rs->Open();
    struct Row { const char *partner; int invoice; double amount; QDate shipped; const char *note; bool paid; };
    const Row rowsData[] = {
        {"ACME", 1001, 1250.5, QDate(2026, 12, 1), "first, \"rush\" order", true},
        {"Bäckerei Müller", 1002, 99.95, QDate(2026, 12, 2), "Straße 5 × 2", false},
        {"Zeta", 1003, -12, QDate(2026, 12, 3), nullptr, true},
    };
    for (const Row &r : rowsData) {
        rs->AddNew();
        rs->Fields("Partner").setValue(vb::Variant(QString::fromUtf8(r.partner)));
        rs->Fields("Invoice").setValue(vb::Variant::fromLong(r.invoice));
        rs->Fields("Amount").setValue(vb::Variant::fromCurrencyValue(r.amount));
        rs->Fields("Shipped").setValue(vb::Variant::fromDate(vb::toOleDate(r.shipped)));
        rs->Fields("Note").setValue(r.note ? vb::Variant(QString::fromUtf8(r.note)) : vb::Variant::null());
        rs->Fields("Paid").setValue(vb::Variant(r.paid));
        rs->Update();
    }
    return rs;
}

// The report fixture: a title band, column headings, a detail line, a total line.
inline Report invoiceReport()
{
    Report r;
    r.title = QStringLiteral("Invoices");
    r.fields = {{"Partner", 200, 20, 0, 0}, {"Invoice", 3, 4, 0, 0}, {"Amount", 6, 8, 0, 0},
                {"Shipped", 7, 8, 0, 0},    {"Note", 200, 30, 0, 0}, {"Paid", 11, 2, 0, 0}};
    auto text = [](const char *t, int left, int top, int width, double size = 10, bool bold = false) {
        ReportObject o;
        o.kind = ObjectKind::Text;
        o.text = QString::fromUtf8(t);
        o.left = left; o.top = top; o.width = width; o.height = int(size * 24);
        o.font.size = size;
        o.font.bold = bold;
        return o;
    };
    auto field = [](const char *name, int left, int width, Align align = Align::Left, const char *format = "") {
        ReportObject o;
        o.kind = ObjectKind::Field;
        o.field = QString::fromLatin1(name);
        o.format = QString::fromLatin1(format);
        o.left = left; o.width = width; o.height = 240; o.align = align;
        return o;
    };
    auto special = [](SpecialKind kind, int left, int top, int width, Align align = Align::Left) {
        ReportObject o;
        o.kind = ObjectKind::Special;
        o.special = kind;
        o.left = left; o.top = top; o.width = width; o.height = 240; o.align = align;
        return o;
    };
    Section &rh = r.section(SectionKind::ReportHeader);
    rh.height = 720;
    rh.objects.push_back(text("Invoices of December", 0, 0, 8500, 18, true));
    rh.objects.back().color = fromOleColor(0x808000);
    Section &ph = r.section(SectionKind::PageHeader);
    ph.height = 360;
    ph.objects = {text("Partner", 0, 0, 2400, 10, true), text("Invoice", 2520, 0, 960, 10, true),
                  text("Amount", 3600, 0, 1440, 10, true), text("Shipped", 5160, 0, 1200, 10, true),
                  text("Note", 6480, 0, 3600, 10, true)};
    ph.objects[2].align = Align::Right;
    Section &d = r.section(SectionKind::Detail);
    d.height = 240;
    d.objects = {field("Partner", 0, 2400), field("Invoice", 2520, 960), field("Amount", 3600, 1440, Align::Right, "#,##0.00"),
                 field("Shipped", 5160, 1200, Align::Left, "mm/dd/yyyy"), field("Note", 6480, 3600)};
    Section &pf = r.section(SectionKind::PageFooter);
    pf.height = 240;
    pf.objects = {special(SpecialKind::PrintDate, 0, 0, 1440), special(SpecialKind::PageNofM, 7200, 0, 3600, Align::Right)};
    Section &rf = r.section(SectionKind::ReportFooter);
    rf.height = 480;
    rf.objects = {text("End of report", 0, 240, 2880, 10, false)};
    rf.objects[0].borderStyle = 1;
    rf.objects[0].borderColor = fromOleColor(0x100080);
    return r;
}

// Runs an outside reader with a deadline; its standard output.
inline QByteArray runTool(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not start (is it installed by scripts/install-deps?)";
        return {};
    }
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        ADD_FAILURE() << program.toStdString() << " did not finish within 30 s";
        return {};
    }
    if (exitCode)
        *exitCode = p.exitCode();
    else if (p.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

} // namespace report::test

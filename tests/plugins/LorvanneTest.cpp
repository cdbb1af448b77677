#include "LorvanneTest.h"

#include "vb/Conversions.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace lorvanne::test {

using vb::Variant;

void LorvanneTest::SetUp()
{
    const QStringList ids = com::registerLibrary(LORVANNE_LIBRARY);
    ASSERT_EQ(ids.size(), 3) << ids.join(',').toStdString();
    QDir().mkpath(importFolder());
    vb::SaveSetting("Corvantis", "Folders", "Import", importFolder());
}

QString LorvanneTest::importFolder() const
{
    return corvantis::test::tempDir() + "/import";
}

void LorvanneTest::writeImport(const QString &fileName, const QByteArray &bytes) const
{
    QFile f(importFolder() + '/' + fileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

com::DispatchPtr LorvanneTest::create(const QString &className)
{
    return com::CreateObject("Lorvanne." + className);
}

Variant LorvanneTest::call(const com::DispatchPtr &obj, const QString &name, std::vector<Variant> &args)
{
    return com::CallByName(obj, name, com::Method, std::span<Variant>(args));
}

Variant LorvanneTest::call(const com::DispatchPtr &obj, const QString &name)
{
    std::vector<Variant> none;
    return call(obj, name, none);
}

ado::RecordsetPtr LorvanneTest::recordsetProperty(const com::DispatchPtr &obj, const QString &name)
{
    return com::recordsetOf(com::CallByName(obj, name, com::Get, {}));
}

namespace {

QString text(const Variant &v)
{
    return v.isNull() ? QStringLiteral("<null>") : vb::CStr(v);
}

} // namespace

QString dump(ado::Recordset &rs, const QStringList &fields)
{
    QString out;
    if (rs.RecordCount() == 0)
        return out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        if (fields.isEmpty())
            for (const ado::Field &f : rs.Fields())
                values << text(f.Value());
        else
            for (const QString &f : fields)
                values << text(rs(f).Value());
        out += values.join(" | ") + '\n';
    }
    return out;
}

QString dumpByField(ado::Recordset &rs)
{
    QString out;
    if (rs.RecordCount() == 0)
        return out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        if (!out.isEmpty())
            out += '\n';
        for (const ado::Field &f : rs.Fields())
            out += f.Name() + '=' + text(f.Value()) + '\n';
    }
    return out;
}

ado::RecordsetPtr tableRecordset(const QString &table)
{
    auto rs = std::make_shared<ado::Recordset>();
    QStringList lines;
    for (const QString &line : table.split('\n')) {
        const QString t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith('#'))
            lines << t;
    }
    if (lines.isEmpty())
        return rs;
    std::vector<int> types;
    for (const QString &column : lines.first().split('|')) {
        const QStringList parts = column.trimmed().split(':');
        const QString type = parts.value(1, "text");
        const int t = type == "int" ? ado::adInteger : type == "single" ? ado::adSingle : type == "date" ? ado::adDate
                    : type == "num" ? ado::adNumeric : ado::adVarChar;
        types.push_back(t);
        rs->Fields().Append(parts.first(), t, t == ado::adVarChar ? 80 : 0, ado::adFldUpdatable | ado::adFldIsNullable | ado::adFldMayBeNull);
        if (t == ado::adNumeric) {
            rs->Fields(parts.first()).setPrecision(9);
            rs->Fields(parts.first()).setNumericScale(0);
        }
    }
    rs->Open();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList values = lines[i].split('|');
        if (values.size() != qsizetype(types.size()))
            ADD_FAILURE() << "table row with " << values.size() << " values: " << lines[i].toStdString();
        rs->AddNew();
        for (int f = 0; f < int(types.size()); ++f) {
            // Blanks inside a value are kept: "Ship " is a note's own text.
            QString v = values.value(f);
            if (v.trimmed().isEmpty())
                v.clear();
            rs->Fields(f).setValue(v.isEmpty() ? Variant::null() : Variant(v));
        }
        rs->Update();
    }
    rs->MoveFirst();
    return rs;
}

QString readFixture(const QString &relativePath)
{
    QFile f(QStringLiteral(PLUGIN_FIXTURES) + '/' + relativePath);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << relativePath.toStdString();
        return {};
    }
    return QString::fromUtf8(f.readAll());
}

void expectGolden(const QString &relativePath, const QString &text)
{
    const QString path = QStringLiteral(PLUGIN_FIXTURES) + '/' + relativePath;
    if (qEnvironmentVariableIsSet("CORVANTIS_UPDATE_GOLDEN")) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        return;
    }
    EXPECT_EQ(text, readFixture(relativePath)) << "golden file " << path.toStdString();
}

struct PickerDriver::State {
    std::function<void(QDialog &)> act;
    QTimer timer;
    QElapsedTimer elapsed;
    int deadlineMs = 0;
    bool seen = false;
    bool gaveUp = false;
    bool expectShown = true;
};

PickerDriver::PickerDriver(std::function<void(QDialog &)> act, int deadlineMs, bool expectShown)
    : m_state(std::make_shared<State>())
{
    State &s = *m_state;
    s.act = std::move(act);
    s.deadlineMs = deadlineMs;
    s.expectShown = expectShown;
    s.elapsed.start();
    s.timer.setInterval(10);
    QObject::connect(&s.timer, &QTimer::timeout, [&s] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() != QLatin1String("frmLocation"))
            dialog = nullptr;
        if (dialog && !s.seen) {
            s.seen = true;
            if (!s.expectShown) {
                ADD_FAILURE() << "the picker was shown";
                dialog->reject();
                return;
            }
            s.act(*dialog);
            return;
        }
        if (s.elapsed.elapsed() > s.deadlineMs && !s.gaveUp && (dialog || (!s.seen && s.expectShown))) {
            s.gaveUp = true;
            s.timer.stop();
            ADD_FAILURE() << (s.seen ? "the picker was left open" : "the picker was not shown in time");
            if (dialog)
                dialog->reject();
        }
    });
    s.timer.start();
}

PickerDriver::~PickerDriver()
{
    m_state->timer.stop();
}

bool PickerDriver::seen() const
{
    return m_state->seen;
}

} // namespace lorvanne::test

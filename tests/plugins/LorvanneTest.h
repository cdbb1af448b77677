#pragma once
// Shared pieces of the library's tests: the library registered and its
// classes created by ProgID, calls by name, record sets read from and
// written to small text tables, and the picker window driven with deadlines.

#include "ado/Recordset.h"
#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "TestEnvironment.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace lorvanne::test {

// Registers Lorvanne.so in the running test's class registry and points the
// import folder at tempDir()/import (made empty).
class LorvanneTest : public ::testing::Test {
protected:
    void SetUp() override;

    QString importFolder() const;
    void writeImport(const QString &fileName, const QByteArray &bytes) const;

    // CreateObject("Lorvanne." + className).
    static com::DispatchPtr create(const QString &className);
    // obj.name(args...) by name, arguments by reference.
    static vb::Variant call(const com::DispatchPtr &obj, const QString &name, std::vector<vb::Variant> &args);
    static vb::Variant call(const com::DispatchPtr &obj, const QString &name);
    static ado::RecordsetPtr recordsetProperty(const com::DispatchPtr &obj, const QString &name);
};

// A record set as text: one line per row, values joined by " | ", Null shown
// as "<null>"; with `fields` only those columns.
QString dump(ado::Recordset &rs, const QStringList &fields = {});
// One block per row of "Field=Value" lines, rows separated by a blank line.
QString dumpByField(ado::Recordset &rs);

// A disconnected record set from a text table: the first line names the
// fields as name:type, each further line a row of
// values separated by "|"; an empty value is Null. Types: text,
// int, single (R), num (N0, the translation's numeric 131) and date. Lines starting with "#"
// are comments.
ado::RecordsetPtr tableRecordset(const QString &text);
QString readFixture(const QString &relativePath);
// Writes `text` over the golden file when CORVANTIS_UPDATE_GOLDEN is set.
void expectGolden(const QString &relativePath, const QString &text);

// Runs `act` on the picker as soon as it is shown modally; when it is not
// shown within the deadline, or `act` leaves it open, the test fails and the
// window is closed so nothing hangs. Returns whether the picker was seen.
class PickerDriver {
public:
    // expectShown false: a picker that never shows is right, one that shows is closed.
    explicit PickerDriver(std::function<void(QDialog &)> act, int deadlineMs = 20000, bool expectShown = true);
    ~PickerDriver();
    bool seen() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace lorvanne::test

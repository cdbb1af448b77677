#include "ShippingExceptions.h"

#include "Library.h"

#include "com/AdoDispatch.h"
#include "vb/CaughtError.h"
#include "vb/Conversions.h"
#include "vb/DoEvents.h"

#include <QHash>

namespace lorvanne {

namespace {

using vb::Variant;

const char *const kKeyFields[4] = {"5LIN05", "5LIN07", "4N104", "5LIN03"};

// What a previous line is compared on.
struct Line {
    Variant key[4];
    Variant quantity;
    Variant date;
};

bool equal(const Variant &a, const Variant &b)
{
    int c = 0;
    return vb::compare(a, b, &c) && c == 0;
}

// A hash key for the four key values, or empty text when one of them is Null
// (a comparison with Null is never true, so such a line matches nothing).
// Text stays text (exact, case kept); numbers and dates are their value.
QString keyText(const Variant (&key)[4])
{
    QString text;
    for (const Variant &v : key) {
        if (v.isNull())
            return {};
        if (v.isString())
            text += QLatin1Char('S') + QString::number(v.rawString().size()) + QLatin1Char(':') + v.rawString();
        else
            text += QLatin1Char('N') + QString::number(v.numericValue(), 'g', 17) + QLatin1Char(';');
    }
    return text;
}

bool sameKey(const Variant (&a)[4], const Variant (&b)[4])
{
    for (int i = 0; i < 4; ++i)
        if (!equal(a[i], b[i]))
            return false;
    return true;
}

// A quantity as the mark shows it: its leading number, without trailing zeros.
QString quantityText(const Variant &q)
{
    return vb::doubleToString(vb::Val(Variant(vb::CStr(q))));
}

// The fields a "REMOVED" line carries, in the order they are filled; the
// header dates come from the new schedule's first line.
const char *const kRemovedFields[] = {
    "1BSS01", "1BSS02", "1BSS03", "1BSS04", "1BSS05", "1BSS06", "1BSS07", "1BSS11",
    "2N101", "2N102", "3N101", "3N102", "4N101", "4N102", "4N103", "4N104",
    "5LIN02", "5LIN03", "5LIN04", "5LIN05", "5LIN06", "5LIN07", "5LIN08", "5LIN09",
    "6UIT01", "7FST01", "7FST02", "7FST03", "7FST04", "8CTT01", "8CTT02",
};

void markExceptions(ado::Recordset &fresh, ado::Recordset &previous)
{
    fresh.MoveFirst();
    const QString header03 = vb::CStr(fresh("1BSS03").Value());
    const QString header05 = vb::CStr(fresh("1BSS05").Value());
    const QString header06 = vb::CStr(fresh("1BSS06").Value());

    // The previous lines, indexed by key in the previous schedule's order.
    std::vector<Line> lines;
    std::vector<bool> consumed;
    QHash<QString, std::vector<int>> byKey;
    if (previous.RecordCount() > 0) {
        ado::Field *key[4];
        for (int i = 0; i < 4; ++i)
            key[i] = &previous(QString::fromLatin1(kKeyFields[i]));
        ado::Field &quantity = previous("7FST01");
        ado::Field &date = previous("7FST04");
        for (previous.MoveFirst(); !previous.Eof(); previous.MoveNext()) {
            Line line;
            for (int i = 0; i < 4; ++i)
                line.key[i] = key[i]->Value();
            line.quantity = quantity.Value();
            line.date = date.Value();
            const QString k = keyText(line.key);
            if (!k.isEmpty())
                byKey[k].push_back(int(lines.size()));
            lines.push_back(std::move(line));
        }
        consumed.assign(lines.size(), false);
    }

    // Deletes the previous lines that were matched, also when the comparison
    // stops on an error: they have been accounted for in the marks written.
    auto dropConsumed = [&] {
        if (lines.empty() || previous.RecordCount() < 1)
            return;
        size_t i = 0;
        for (previous.MoveFirst(); !previous.Eof() && i < consumed.size(); ++i) {
            if (consumed[i])
                previous.Delete();
            previous.MoveNext();
        }
    };

    try {
        ado::Field *key[4] = {};
        ado::Field *quantity = nullptr;
        ado::Field *date = nullptr;
        ado::Field *mark = nullptr;
        for (; !fresh.Eof(); fresh.MoveNext()) {
            int match = -1;
            bool sameQuantity = false;
            if (!lines.empty()) {
                if (!quantity) {
                    for (int i = 0; i < 4; ++i)
                        key[i] = &fresh(QString::fromLatin1(kKeyFields[i]));
                    quantity = &fresh("7FST01");
                    date = &fresh("7FST04");
                }
                Line line;
                for (int i = 0; i < 4; ++i)
                    line.key[i] = key[i]->Value();
                line.quantity = quantity->Value();
                line.date = date->Value();
                const QString k = keyText(line.key);
                const auto found = k.isEmpty() ? byKey.cend() : byKey.constFind(k);
                if (found != byKey.cend()) {
                    for (const int candidate : *found) {
                        const Line &old = lines[size_t(candidate)];
                        if (consumed[size_t(candidate)] || !sameKey(old.key, line.key) || !equal(old.date, line.date))
                            continue;
                        int c = 0;
                        if (!vb::compare(old.quantity, line.quantity, &c))
                            continue; // a quantity without a value matches nothing
                        match = candidate;
                        sameQuantity = c == 0;
                        break;
                    }
                }
                if (match >= 0) {
                    consumed[size_t(match)] = true;
                    if (!mark)
                        mark = &fresh("9EXCE01");
                    mark->setValue(sameQuantity ? Variant(QString())
                                                : Variant(QStringLiteral("QTY WAS ") + quantityText(lines[size_t(match)].quantity)
                                                          + QStringLiteral(" IS ") + quantityText(line.quantity)));
                    fresh.Update();
                    vb::DoEventsIfDue();
                    continue;
                }
            }
            // No previous line matched this one, whatever the reason.
            if (!mark)
                mark = &fresh("9EXCE01");
            mark->setValue(Variant("NEW"));
            fresh.Update();
            vb::DoEventsIfDue();
        }
    } catch (...) {
        dropConsumed();
        throw;
    }
    dropConsumed();

    // The previous lines that no new line matched come back as "REMOVED".
    if (previous.RecordCount() >= 1) {
        for (previous.MoveFirst(); !previous.Eof(); previous.MoveNext()) {
            fresh.AddNew();
            for (const char *name : kRemovedFields) {
                const QString field = QString::fromLatin1(name);
                if (field == QLatin1String("1BSS03"))
                    fresh(field).setValue(Variant(header03));
                else if (field == QLatin1String("1BSS05"))
                    fresh(field).setValue(Variant(header05));
                else if (field == QLatin1String("1BSS06"))
                    fresh(field).setValue(Variant(header06));
                else
                    fresh(field).setValue(previous(field).Value());
            }
            fresh("9EXCE01").setValue(Variant("REMOVED"));
            fresh.Update();
            vb::DoEventsIfDue();
        }
    }

    // Unchanged lines leave the list.
    if (fresh.RecordCount() > 0) {
        ado::Field &mark = fresh("9EXCE01");
        for (fresh.MoveFirst(); !fresh.Eof(); fresh.MoveNext()) {
            const Variant m = mark.Value();
            if (m.isString() && m.rawString().isEmpty())
                fresh.Delete();
        }
    }
}

} // namespace

com::DispatchTable<Freightliner_862_003020_I> Freightliner_862_003020_I::describe()
{
    com::DispatchTable<Freightliner_862_003020_I> t(QStringLiteral("Freightliner_862_003020_I"));
    t.method(QStringLiteral("ActiveX"), 6, 6, [](Freightliner_862_003020_I &c, com::Args &a) {
        return Variant(c.ActiveX(a[0], a[1]));
    });
    return t;
}

bool Freightliner_862_003020_I::ActiveX(const Variant &rsRecordNew, const Variant &rsRecordOld)
{
    ado::RecordsetPtr fresh;
    try {
        fresh = com::recordsetOf(rsRecordNew);
        const ado::RecordsetPtr previous = com::recordsetOf(rsRecordOld);
        if (!fresh || !previous)
            vb::raise(91);
        markExceptions(*fresh, *previous);
        return true;
    } catch (...) {
        // The caller learns only False; the cause is recorded.
        qCWarning(lcPlugins).noquote() << "862 exceptions: the schedules were not compared:" << vb::caughtErrorText();
        // A "REMOVED" line half filled when the error came is not left for
        // the caller's next move to store.
        try {
            if (fresh && fresh->State() == ado::adStateOpen && fresh->EditMode() == ado::adEditAdd)
                fresh->CancelUpdate();
        } catch (...) {
            qCWarning(lcPlugins).noquote() << "862 exceptions: the half-filled line was not cancelled:"
                                           << vb::caughtErrorText();
        }
        return false;
    }
}

} // namespace lorvanne

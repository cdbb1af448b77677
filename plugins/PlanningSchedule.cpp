#include "PlanningSchedule.h"

#include "General.h"

#include "com/AdoDispatch.h"
#include "vb/CaughtError.h"
#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/DoEvents.h"

#include <QHash>

#include <array>
#include <cmath>

namespace lorvanne {

namespace {

using vb::Variant;

// The schedule's fields in order: name, type, size.
struct FieldSpec {
    const char *name;
    int type;
    long size;
};

constexpr int kText = ado::adVarChar;
constexpr int kInt = ado::adInteger;
constexpr int kDate = ado::adDate;

const std::vector<FieldSpec> &scheduleFields()
{
    static const std::vector<FieldSpec> fields = [] {
        std::vector<FieldSpec> f = {
            {"PartNumber", kText, 30},
            // As wide as the stock description it copies.
            {"Description", kText, 100},
            {"Notes", kText, 255},
            {"Rev", kText, 7},
            {"WO_Total", kInt, 6},
            {"WO1_ID", kText, 15}, {"WO1_Date", kDate, 8}, {"WO1_Qty", kInt, 6},
            {"WO2_ID", kText, 15}, {"WO2_Date", kDate, 8}, {"WO2_Qty", kInt, 6},
            {"WO3_ID", kText, 15}, {"WO3_Date", kDate, 8}, {"WO3_Qty", kInt, 6},
            {"Required", kInt, 6},
            {"Revision", kText, 7},
            {"Available", kInt, 6},
            {"Allocated", kInt, 6},
            {"InTransit", kInt, 6},
            {"PastDueQty", kInt, 6},
            {"FutureQty", kInt, 6},
            {"PurchaseOrder", kText, 9},
            {"LastDate", kDate, 8},
            {"LastQty", kInt, 6},
        };
        static const char *days[20] = {"Day1", "Day2", "Day3", "Day4", "Day5", "Day6", "Day7",
                                       "Day8", "Day9", "Day10", "Day11", "Day12", "Day13", "Day14",
                                       "Day15", "Day16", "Day17", "Day18", "Day19", "Day20"};
        for (const char *d : days)
            f.push_back({d, kInt, 6});
        for (const char *w : {"Week5", "Week6", "Week7", "Week8", "Week9"})
            f.push_back({w, kInt, 6});
        for (const char *w : {"W5Date", "W6Date", "W7Date", "W8Date", "W9Date"})
            f.push_back({w, kDate, 8});
        return f;
    }();
    return fields;
}

ado::RecordsetPtr newSchedule()
{
    auto rs = std::make_shared<ado::Recordset>();
    for (const FieldSpec &f : scheduleFields())
        rs->Fields().Append(QString::fromLatin1(f.name), f.type, f.size, ado::adFldUpdatable);
    rs->setCursorType(ado::adOpenKeyset);
    rs->setLockType(ado::adLockOptimistic);
    rs->Open();
    return rs;
}

// The Monday of the current Sunday-to-Saturday week; a Sunday looks ahead
// to the next day.
double baseMonday()
{
    const double today = std::floor(vb::Now().toDate());
    const int weekday = vb::splitOleDate(today).dayOfWeek; // 1 = Sunday
    static const int shift[8] = {0, 1, 0, -1, -2, -3, -4, -5};
    return today + shift[weekday];
}

bool equalsText(const Variant &value, const char *text)
{
    int c = 0;
    return vb::compare(value, Variant(text), &c) && c == 0;
}

// A translated value without a value (an element the schedule did not
// carry) leaves the schedule field empty instead of failing the report.
void copy(ado::Field &to, const Variant &value)
{
    if (!value.isNull())
        to.setValue(value);
}

// Adding to a field that holds nothing yet gives the quantity itself.
void addTo(ado::Field &field, const Variant &q)
{
    const Variant current = field.Value();
    field.setValue(current.isNull() || current.isEmpty() ? q : vb::opAdd(current, q));
}

// The work orders and the stock row of each part, looked up as a filter
// "Field = 'part'" finds them (letter case ignored), in file order, without
// filtering the whole file once per part.
struct WorkOrder {
    Variant id, date, quantity, revision;
};
struct StockRow {
    Variant description, available, allocated;
};

QString partKey(const Variant &part)
{
    return vb::CStr(part).toCaseFolded();
}

QHash<QString, std::vector<WorkOrder>> ordersByPart(ado::Recordset &orders)
{
    QHash<QString, std::vector<WorkOrder>> byPart;
    if (orders.RecordCount() == 0)
        return byPart;
    ado::Field &part = orders("WO_PartNumber");
    ado::Field &id = orders("WO_ID");
    ado::Field &date = orders("WO_Date");
    ado::Field &quantity = orders("WO_Qty");
    ado::Field &revision = orders("WO_Rev");
    for (orders.MoveFirst(); !orders.Eof(); orders.MoveNext())
        byPart[partKey(part.Value())].push_back({id.Value(), date.Value(), quantity.Value(), revision.Value()});
    return byPart;
}

QHash<QString, StockRow> stockByPart(ado::Recordset &stock)
{
    QHash<QString, StockRow> byPart;
    if (stock.RecordCount() == 0)
        return byPart;
    ado::Field &part = stock("PartNumber");
    ado::Field &description = stock("Description");
    ado::Field &available = stock("Available");
    ado::Field &allocated = stock("Allocated");
    for (stock.MoveFirst(); !stock.Eof(); stock.MoveNext()) {
        const QString key = partKey(part.Value());
        if (!byPart.contains(key)) // the first row of a part is the one found
            byPart.insert(key, {description.Value(), available.Value(), allocated.Value()});
    }
    return byPart;
}

// The bucket of a day k after the base Monday: the Day field index (0..19)
// assigned, or the Week field index (0..4) summed; none for weekends and days
// past the ninth week.
struct Bucket {
    int day = -1;
    int week = -1;
};

Bucket bucketFor(int k)
{
    Bucket b;
    if (k < 0 || k > 60 || k % 7 > 4)
        return b;
    const int week = k / 7;
    if (week < 4)
        b.day = week * 5 + k % 7;
    else
        b.week = week - 4;
    return b;
}

void buildSchedule(Freightliner_830_002000_I &self, ado::Recordset &rs, General &general)
{
    rs.setSort(QStringLiteral("6LIN03"));
    const ado::RecordsetPtr schedule = newSchedule();
    self.rsScheduler = schedule;
    ado::Recordset &s = *schedule;
    const QHash<QString, std::vector<WorkOrder>> orders = ordersByPart(*general.rsOrders);
    const QHash<QString, StockRow> stock = stockByPart(*general.rsInventory);
    static const std::vector<WorkOrder> noOrders;
    const double base = baseMonday();

    ado::Field &part = rs("6LIN03");
    ado::Field &quantity = rs("11FST01");
    ado::Field &date = rs("11FST04");
    ado::Field *days[20];
    for (int i = 0; i < 20; ++i)
        days[i] = &s(QStringLiteral("Day%1").arg(i + 1));
    ado::Field *weeks[5];
    for (int i = 0; i < 5; ++i)
        weeks[i] = &s(QStringLiteral("Week%1").arg(i + 5));
    ado::Field &pastDue = s("PastDueQty");
    ado::Field &future = s("FutureQty");

    rs.MoveFirst();
    while (!rs.Eof()) {
        s.AddNew();
        int32_t balance = 0;
        const QString partNumber = vb::CStr(part.Value());
        const auto ordersFound = orders.constFind(partNumber.toCaseFolded());
        const std::vector<WorkOrder> &partOrders = ordersFound == orders.cend() ? noOrders : *ordersFound;
        const auto stockFound = stock.constFind(partNumber.toCaseFolded());
        for (const WorkOrder &order : partOrders)
            addTo(s("WO_Total"), order.quantity);
        for (int w = 0; w < 5; ++w)
            s(QStringLiteral("W%1Date").arg(w + 5)).setValue(Variant::fromDate(base + 28 + 7 * w));
        copy(s("PurchaseOrder"), rs("1BFR11").Value());
        copy(s("PartNumber"), part.Value());
        copy(s("Required"), quantity.Value());
        if (stockFound != stock.cend()) {
            s("Description").setValue(stockFound->description);
            s("Available").setValue(stockFound->available);
            s("Allocated").setValue(stockFound->allocated);
        } else {
            copy(s("Description"), rs("8J2X03").Value());
            s("Available").setValue(Variant(int32_t(0)));
            s("Allocated").setValue(Variant(int32_t(0)));
        }
        copy(s("Rev"), rs("6LIN05").Value());
        copy(s("Notes"), vb::opConcat(rs("2NTE02").Value(), rs("3NTE02").Value()));
        for (int n = 1; n <= 3; ++n) {
            const QString prefix = QStringLiteral("WO%1_").arg(n);
            if (size_t(n) <= partOrders.size()) {
                const WorkOrder &order = partOrders[size_t(n - 1)];
                s(prefix + QStringLiteral("ID")).setValue(order.id);
                s(prefix + QStringLiteral("Date")).setValue(order.date);
                s(prefix + QStringLiteral("Qty")).setValue(order.quantity);
                if (n == 1)
                    s("Revision").setValue(order.revision);
            } else {
                s(prefix + QStringLiteral("Date")).setValue(Variant("01/05/94"));
                s(prefix + QStringLiteral("ID")).setValue(Variant("N/A"));
                s(prefix + QStringLiteral("Qty")).setValue(Variant(int32_t(0)));
            }
        }
        for (const char *seg : {"13", "14", "15"}) {
            const QString p = QString::fromLatin1(seg) + QStringLiteral("SHP0");
            if (equalsText(rs(p + '3').Value(), "ZZ3")) {
                const Variant inTransit = rs(p + '2').Value();
                s("InTransit").setValue(inTransit);
                balance = vb::CLng(inTransit);
                break;
            }
        }
        for (const char *seg : {"13", "14", "15"}) {
            const QString p = QString::fromLatin1(seg) + QStringLiteral("SHP0");
            if (equalsText(rs(p + '3').Value(), "050")) {
                copy(s("LastDate"), rs(p + '4').Value());
                copy(s("LastQty"), rs(p + '2').Value());
                break;
            }
        }

        // The rows of the part: net the quantity in transit, then bucket.
        while (!rs.Eof()) {
            int same = 1;
            if (!vb::compare(part.Value(), Variant(partNumber), &same) || same != 0)
                break;
            Variant q = quantity.Value();
            if (balance != 0 && !q.isNull()) {
                const Variant b(balance);
                int c = 0;
                if (vb::compare(b, q, &c)) {
                    if (c > 0) {
                        balance = vb::CLng(vb::opSub(b, q));
                        quantity.setValue(Variant(int32_t(0)));
                    } else if (c == 0) {
                        balance = 0;
                        quantity.setValue(Variant(int32_t(0)));
                    } else {
                        quantity.setValue(vb::opSub(q, b));
                        balance = 0;
                    }
                    q = quantity.Value();
                }
            }
            const Variant d = date.Value();
            // A forecast line without a quantity or a date counts in no bucket.
            if (!q.isNull() && !d.isNull()) {
                const double day = d.toDate();
                if (day < base)
                    addTo(pastDue, q);
                if (day > base + 60)
                    addTo(future, q);
                const double k = day - base;
                if (k == std::floor(k) && k >= 0 && k <= 60) {
                    const Bucket bucket = bucketFor(int(k));
                    if (bucket.day >= 0)
                        days[bucket.day]->setValue(q);
                    else if (bucket.week >= 0)
                        addTo(*weeks[bucket.week], q);
                }
            }
            rs.MoveNext();
            vb::DoEventsIfDue();
        }
        s.Update();
    }
}

} // namespace

com::DispatchTable<Freightliner_830_002000_I> Freightliner_830_002000_I::describe()
{
    com::DispatchTable<Freightliner_830_002000_I> t(QStringLiteral("Freightliner_830_002000_I"));
    t.property(
        QStringLiteral("rsScheduler"), [](Freightliner_830_002000_I &c) { return com::toVariant(c.rsScheduler); }, {},
        [](Freightliner_830_002000_I &c, const Variant &v) { c.rsScheduler = com::recordsetOf(v); });
    t.method(QStringLiteral("ActiveX"), 6, 6, [](Freightliner_830_002000_I &c, com::Args &a) {
        return Variant(c.ActiveX(a.ref(0)));
    });
    return t;
}

bool Freightliner_830_002000_I::ActiveX(Variant &rsRecord)
{
    General general;
    if (!general.Orders())
        return false;
    if (!general.Inventory())
        return false;
    try {
        const ado::RecordsetPtr translated = com::recordsetOf(rsRecord);
        if (!translated)
            vb::raise(91);
        buildSchedule(*this, *translated, general);
        rsRecord = com::toVariant(rsScheduler);
        general.rsInventory.reset();
        general.rsOrders.reset();
        return true;
    } catch (const std::exception &) {
        // The caller knows this failure by its number; the cause goes with it.
        vb::VbError failed(1001, QStringLiteral("ActiveX Failed"));
        failed.detail = vb::caughtErrorText();
        throw failed;
    }
}

} // namespace lorvanne

// Uses the core without any window: the keyed hash table and a list's query.
// Exits 0 when both give what the program would.
#include "core/clsHashTable.h"
#include "core/modGlobal.h"

#include <cstdio>

int main()
{
    const QString select = modGlobal::BuildSortedSelect(
        modGlobal::ListQuery{QStringLiteral("Inbox"), {QStringLiteral("Partner"), QStringLiteral("Date")}, 1, 1});
    if (select != QLatin1String("SELECT * FROM Inbox ORDER BY Date DESC")) {
        std::fprintf(stderr, "unexpected statement: %s\n", qPrintable(select));
        return 1;
    }
    clsHashTable table;
    table.Add(QStringLiteral("P1_850_004010_I"), vb::Variant(QStringLiteral("found")));
    if (table.Item(QStringLiteral("P1_850_004010_I")).toString() != QLatin1String("found")) {
        std::fputs("the hash table lost its entry\n", stderr);
        return 1;
    }
    std::puts("embedded core works");
    return 0;
}

#include "Readers.h"

#include "Csv.h"
#include "Library.h"

#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

namespace lorvanne {

namespace {

enum class Kind { Orders, Inventory };

ado::RecordsetPtr newRecordset(const std::vector<std::pair<QString, std::pair<int, long>>> &fields)
{
    auto rs = std::make_shared<ado::Recordset>();
    for (const auto &[name, type] : fields)
        rs->Fields().Append(name, type.first, type.second, ado::adFldUpdatable);
    rs->setCursorType(ado::adOpenKeyset);
    rs->setLockType(ado::adLockOptimistic);
    rs->Open();
    return rs;
}

// The text a stock value is stored as: an unquoted empty value (or one the
// line does not have) reads "0", an empty quoted one "-", as the partner's
// stock report shows them.
QString inventoryText(const std::vector<CsvValue> &values, size_t i)
{
    if (i >= values.size())
        return QStringLiteral("0");
    const CsvValue &v = values[i];
    if (v.text.isEmpty())
        return v.quoted ? QStringLiteral("-") : QStringLiteral("0");
    return v.text;
}

bool readFile(ado::Recordset &rs, Kind kind)
{
    const QString fileName = kind == Kind::Orders ? QStringLiteral("Orders.csv") : QStringLiteral("Inventory.csv");
    QString lineNumber; // stays empty until the file is open
    QString lineText;
    try {
        const QString text = vb::readWindows1252File(joinPath(importFolder(), fileName));
        const int fieldCount = rs.Fields().Count();
        qsizetype start = 0;
        qint64 number = 0;
        while (start < text.size()) {
            qsizetype end = text.indexOf(QLatin1Char('\n'), start);
            const qsizetype next = end < 0 ? text.size() : end + 1;
            if (end < 0)
                end = text.size();
            qsizetype stop = end;
            if (stop > start && text[stop - 1] == QLatin1Char('\r'))
                --stop;
            const QStringView line = QStringView(text).mid(start, stop - start);
            start = next;
            ++number;
            lineNumber = QString::number(number);
            lineText = line.toString();
            if (line.trimmed().isEmpty())
                continue;
            const std::vector<CsvValue> values = splitCsvLine(line);
            rs.AddNew();
            for (int f = 0; f < fieldCount; ++f) {
                const size_t i = static_cast<size_t>(f);
                const QString value = kind == Kind::Orders ? (i < values.size() ? values[i].text : QString())
                                                           : inventoryText(values, i);
                rs.Fields(f).setValue(vb::Variant(value));
            }
            rs.Update();
            vb::DoEventsIfDue();
        }
        if (rs.RecordCount() > 0)
            rs.MoveFirst();
        return true;
    } catch (const std::exception &e) {
        // The line in progress is not stored half-filled.
        if (rs.State() == ado::adStateOpen && rs.EditMode() == ado::adEditAdd)
            rs.CancelUpdate();
        const auto *vbError = dynamic_cast<const vb::VbError *>(&e);
        const QString message = vbError ? vbError->description : QString::fromLocal8Bit(e.what());
        vb::MsgBox(QStringLiteral("Error: ") + message + QStringLiteral("\r\nLine: ") + lineNumber
                       + QStringLiteral("\r\nImport: ") + lineText,
                   vb::vbCritical | vb::vbOKOnly, kTitle);
        return false;
    }
}

} // namespace

ado::RecordsetPtr newOrdersRecordset()
{
    return newRecordset({{QStringLiteral("WO_PartNumber"), {ado::adVarChar, 30}},
                         {QStringLiteral("WO_ID"), {ado::adVarChar, 15}},
                         {QStringLiteral("WO_Qty"), {ado::adInteger, 6}},
                         {QStringLiteral("WO_Date"), {ado::adDate, 8}},
                         {QStringLiteral("WO_Rev"), {ado::adVarChar, 7}}});
}

ado::RecordsetPtr newInventoryRecordset()
{
    return newRecordset({{QStringLiteral("PartNumber"), {ado::adVarChar, 30}},
                         {QStringLiteral("Description"), {ado::adVarChar, 100}},
                         {QStringLiteral("Available"), {ado::adInteger, 6}},
                         {QStringLiteral("Allocated"), {ado::adInteger, 6}}});
}

bool readOrders(ado::Recordset &rs)
{
    return readFile(rs, Kind::Orders);
}

bool readInventory(ado::Recordset &rs)
{
    return readFile(rs, Kind::Inventory);
}

} // namespace lorvanne

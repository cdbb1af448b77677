#include "core/loader/TransactionValidator.h"

#include "core/clsHashTable.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "vb/Conversions.h"
#include "vb/VbError.h"

#include <QHash>
#include <QSet>

#include <vector>

namespace core {

using namespace Qt::StringLiterals;

namespace {

WorkProgress g_noProgress;

QString q(const QString &value)
{
    return ado::SqlEscape(value);
}

} // namespace

TransactionValidator::TransactionValidator(WorkProgress *progress)
    : m_progress(progress ? progress : &g_noProgress), m_usage(std::make_unique<clsHashTable>())
{
}

TransactionValidator::~TransactionValidator() = default;

bool TransactionValidator::ValidateTransactionSet(const QString &strPartner, const QString &strTransaction,
                                                  const QString &strVersion, const QString &strDirection,
                                                  const QString &strTSet, const QString &strSegmentTerminator,
                                                  const QString &strElementSeparator,
                                                  const QString &strSubElementSeparator)
{
    WorkProgress &ui = *m_progress;
    QString identifier; // the segment being examined, named by a failure
    try {
        const QString segmentWhere = u"SELECT * FROM Segment "_s + u"WHERE Segment.Partner = '"_s + q(strPartner)
            + u"'"_s + u" AND Segment.Transaction = '"_s + q(strTransaction) + u"'"_s
            + u" AND Segment.Version = '"_s + q(strVersion) + u"'"_s + u" AND Segment.Direction = '"_s
            + q(strDirection) + u"'"_s;
        const QString segmentOrder = u" ORDER BY Segment.SegmentIndex ASC"_s;

        qint32 rows = 0;
        {
            ado::Recordset map;
            map.Open(segmentWhere + segmentOrder, modGlobal::cnDatabase, ado::adOpenForwardOnly,
                     ado::adLockOptimistic);
            while (!map.Eof()) {
                ++rows;
                map.MoveNext();
            }
            map.Close();
        }

        // Without the partner's delimiters the set cannot be cut into
        // segments; passing it unexamined would call it valid.
        if (strSegmentTerminator.isEmpty() || strElementSeparator.isEmpty())
            vb::raise(5);

        m_usage->RemoveAll();
        QHash<qint64, qint64> usage; // uses per map position
        qint64 position = 0;          // P: the SegmentIndex looked for
        qint64 level = 1;             // L: Node of the last matched row
        qint64 misses = 0;            // M
        QString previous;
        int previewPosition = 0;

        // The preview shows the set one segment per line; the search selects
        // each examined segment there.
        QString preview = strTSet;
        if (!strSegmentTerminator.isEmpty())
            preview.replace(strSegmentTerminator, u"\r\n"_s);

        const std::vector<QStringView> pieces = x12::cut(strTSet, strSegmentTerminator, false);
        // Every segment after ST and before SE; the last piece is the empty
        // text after SE's terminator.
        for (size_t i = 1; i + 2 < pieces.size(); ++i) {
            const std::vector<QStringView> parts = x12::cut(pieces[i], strElementSeparator, false);
            identifier = parts.front().toString();

            ado::Recordset segment;
            while (true) {
                int searchFrom = previewPosition;
                if (identifier != previous) {
                    position += 1;
                    if (level > 1) {
                        position -= level;
                        level = 1;
                    }
                } else {
                    searchFrom = previewPosition + 1;
                }
                previewPosition = x12::findWholeWord(preview, identifier, searchFrom);
                if (previewPosition >= 0)
                    ui.selectInPreview(previewPosition, int(identifier.size()));

                if (segment.State() == ado::adStateOpen)
                    segment.Close();
                segment.Open(segmentWhere + u" AND Segment.Segment = '"_s + q(identifier) + u"'"_s
                                 + u" AND Segment.SegmentIndex = "_s + QString::number(position) + segmentOrder,
                             modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockOptimistic);
                if (!segment.Eof()) {
                    misses = 1;
                    break;
                }
                misses += 1;
                if (misses > qint64(rows) + 10) {
                    modGlobal::LogHistory(u"Error"_s, identifier + u" - Segment Sequence - Verify Mapping"_s);
                    return false;
                }
            }

            level = vb::CInt(segment(u"Node"_s).Value());

            const QString key = identifier + QString::number(position);
            if (!m_usage->Exists(key)) {
                m_usage->Add(key, vb::Variant(static_cast<int32_t>(position)));
                usage[position] = 0;
            }
            usage[position] += 1;
            const vb::Variant maxUsage = segment(u"MaxUsageLoop"_s).Value();
            if (double(usage[position]) > vb::CDbl(maxUsage)) {
                modGlobal::LogHistory(u"Warning"_s, u"Segment "_s + identifier + u" Maximum Usage/Loops = "_s
                                                        + vb::CStr(maxUsage) + u" Exceeded "_s);
                return false;
            }
            previous = identifier;

            ado::Recordset elements;
            elements.Open(u"SELECT * FROM Element "_s + u"WHERE Element.Partner = '"_s + q(strPartner) + u"'"_s
                              + u" AND Element.Version = '"_s + q(strVersion) + u"'"_s
                              + u" AND Element.Transaction = '"_s + q(strTransaction) + u"'"_s
                              + u" AND Element.Direction = '"_s + q(strDirection) + u"'"_s
                              + u" AND Element.Segment = '"_s + q(identifier) + u"'"_s
                              + u" AND Element.SegmentIndex = "_s + vb::CStr(segment(u"SegmentIndex"_s).Value())
                              + u" ORDER BY Element.ElementIndex ASC"_s,
                          modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
            const qint64 elementRows = elements.RecordCount();
            segment.Close();

            // Elements the set left off count as present but empty.
            std::vector<QStringView> values(parts.begin() + 1, parts.end());
            while (qint64(values.size()) < elementRows)
                values.push_back(strSubElementSeparator);

            for (size_t k = 1; k <= values.size(); ++k) {
                const QStringView value = values[k - 1];
                if (!vb::CBool(elements(u"Exclude"_s).Value()) && value != strSubElementSeparator) {
                    const qsizetype length = value.size();
                    const QString position2 = QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
                    if (double(length) > vb::CDbl(elements(u"Maximum"_s).Value())) {
                        modGlobal::LogHistory(u"Warning"_s, identifier + position2 + u" > Maximum "_s
                                                                + u" Length = "_s + QString::number(length));
                        return false;
                    }
                    if (length > 0 && double(length) < vb::CDbl(elements(u"Minimum"_s).Value())) {
                        modGlobal::LogHistory(u"Warning"_s, identifier + position2 + u" < Minimum "_s
                                                                + u" Length = "_s + QString::number(length));
                        return false;
                    }
                }
                elements.MoveNext();
            }
            elements.Close();

            ui.yield();
        }
        return true;
    } catch (...) {
        // A segment with more elements than its map, or a map row without
        // numbers, fails the set; the run goes on with the next row.
        try {
            modGlobal::LogHistory(u"Error"_s, identifier + u" - Segment - Verify Mapping"_s);
        } catch (...) {
        }
        return false;
    }
}

void TransactionValidator::ValidateBox(const MailboxSelection &selection,
                                       const std::function<QString()> &selectionKey)
{
    WorkProgress &ui = *m_progress;
    if (!selection.hasCurrentItem)
        return;
    const QString key = selectionKey ? selectionKey() : QString();
    if (key.isEmpty())
        return;
    const QStringList keyParts = key.split(u',');
    const QString partner = keyParts.value(0), transaction = keyParts.value(1), version = keyParts.value(2),
                  direction = keyParts.value(3);

    try {
        const QString terminator = modGlobal::GetSegmentTerminator(partner);
        const QString separator = modGlobal::GetElementSeparator(partner);
        const QString subSeparator = modGlobal::GetSubElementSeparator(partner);

        ado::Recordset rs;
        rs.Open(selection.statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);

        const QSet<qint64> selected(selection.rowids.begin(), selection.rowids.end());
        const qint64 count = selected.size();
        ui.setProgressMax(int(count));
        qint64 examined = 0, errors = 0;
        while (!rs.Eof()) {
            if (selected.contains(rs.rowid())) {
                ui.setPercentText(x12::percentText(double(examined + 1) / double(count) * 100.0)
                                  + u"% Complete"_s);
                ui.setProgressValue(int(examined + 1));
                const QString tset = vb::CStr(rs(u"TSet"_s).Value());
                QString preview = tset;
                if (!terminator.isEmpty())
                    preview.replace(terminator, u"\r\n"_s);
                ui.showPreview(preview);

                const bool passed = ValidateTransactionSet(partner, transaction, version, direction, tset,
                                                           terminator, separator, subSeparator);
                rs(u"Status"_s) = passed ? u"Validated"_s : u"Error"_s;
                rs.Update();
                if (!passed)
                    ++errors;
                ++examined;
            }
            rs.MoveNext();
        }
        rs.Close();

        ui.setProgressValue(0);
        ui.setPercentText(QString());
        ui.refreshList(selection.table);
        modGlobal::LogHistory(u"Info"_s, partner + u"_"_s + transaction + u"_"_s + version + u"_"_s + direction
                                             + u" Validated: "_s + QString::number(examined) + u" Errors: "_s
                                             + QString::number(errors));
    } catch (const vb::VbError &error) {
        ui.setProgressValue(0);
        ui.setPercentText(QString());
        modGlobal::ReportError(error);
    } catch (const std::exception &error) {
        ui.setProgressValue(0);
        ui.setPercentText(QString());
        modGlobal::ReportError(error);
    }
}

} // namespace core

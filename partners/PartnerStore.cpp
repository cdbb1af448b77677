#include "partners/PartnerStore.h"

#include "partners/SetFiles.h"
#include "partners/TransactionsNotifier.h"

#include "core/SetKey.h"
#include "translation/ReportDefinition.h"

#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "ado/Sql.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"
#include "core/Logging.h"

#include <optional>
#include <utility>

namespace partners {

namespace {

QString text(const ado::Recordset &rs, const char *name)
{
    const vb::Variant v = rs.Fields(QString::fromLatin1(name)).Value();
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}

int number(const ado::Recordset &rs, const char *name)
{
    const vb::Variant v = rs.Fields(QString::fromLatin1(name)).Value();
    return v.isNull() || v.isEmpty() ? 0 : vb::CLng(v);
}

bool isLetterOrDigit(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

// The tables whose rows carry the partner's name and follow a rename. The
// envelope rows go along: the send file and the properties sheet find them by
// the mailbox row's partner. The logs keep the text they recorded.
const char *const kRenamedTables[] = {"Transactions", "Segment", "Element", "Inbox", "Outbox", "Sent",
                                      "Recycled", "ISA", "GS", "GE", "IEA"};
// The tables a removal clears of the partner's rows besides Partner.
const char *const kRemovedTables[] = {"Element", "Segment", "Transactions"};

} // namespace

std::optional<qint64> counterValue(const QString &boxText)
{
    const QString trimmed = boxText.trimmed();
    if (trimmed.isEmpty() || !vb::IsNumeric(vb::Variant(trimmed)))
        return std::nullopt;
    return vb::CLng(vb::Variant(trimmed));
}

std::optional<NameRefusal> refuseName(const QString &name, NameRule rule)
{
    for (QChar c : name) {
        const bool accepted = isLetterOrDigit(c) || (rule == NameRule::Save && c == QLatin1Char('\\'));
        if (!accepted)
            return NameRefusal{QStringLiteral("Invalid Trading Partner Name!"), vb::vbCritical};
    }
    if (name.size() < 6)
        return NameRefusal{QStringLiteral("Enter a longer Trading Partner Name! (Min 6)"), vb::vbExclamation};
    return std::nullopt;
}

QString atWidth(const QString &text, int width)
{
    return text.size() >= width ? text : text.leftJustified(width, QLatin1Char(' '));
}

namespace {

struct Delimiter {
    const char *field; // the caption of its list
    QString characters;
};

// How a delimiter is named in a message: the character itself, or its code
// when it cannot be seen.
QString shown(const QString &characters)
{
    if (characters == QLatin1String("\r\n"))
        return QStringLiteral("CR/LF");
    const QChar c = characters.at(0);
    if (c.unicode() > 32 && c.unicode() != 127)
        return QStringLiteral("\"") + c + QStringLiteral("\"");
    return QStringLiteral("character code ") + QString::number(c.unicode());
}

bool allDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

QString digitsOnlyRefusal(const char *element)
{
    return QString::fromLatin1(element) + QStringLiteral(" may hold digits only!");
}

} // namespace

std::optional<QString> refuseEnvelope(const PartnerEdit &edit, const CounterBox &isa13, const CounterBox &gs06)
{
    // Code 0 is CR/LF as the terminator and NULL as a separator.
    const Delimiter delimiters[] = {
        {"Segment Terminator", edit.Segment == 0 ? QStringLiteral("\r\n") : QString(QChar(edit.Segment))},
        {"Data Element Delimitor", QString(QChar(edit.element))},
        {"Sub-Element Separator", QString(QChar(edit.sub))},
    };
    for (const Delimiter &d : delimiters) {
        const QString field = QString::fromLatin1(d.field);
        if (d.characters.isEmpty() || d.characters == QString(QChar(0)))
            return field + QStringLiteral(" may not be NULL!");
        if (isLetterOrDigit(d.characters.at(0)))
            return field + QStringLiteral(" may not be a letter or a digit!");
    }
    for (size_t i = 0; i < std::size(delimiters); ++i) {
        for (size_t j = 0; j < i; ++j) {
            bool shared = false;
            for (QChar c : delimiters[i].characters)
                shared = shared || delimiters[j].characters.contains(c);
            if (shared)
                return QString::fromLatin1(delimiters[i].field) + QStringLiteral(" may not be the same as the ")
                    + QString::fromLatin1(delimiters[j].field) + QStringLiteral("!");
        }
    }
    struct Value {
        const char *field;
        const QString &text;
        int width;
    };
    const Value values[] = {
        {"ISA01", edit.ISA01, 2},  {"ISA02", edit.ISA02, 10}, {"ISA03", edit.ISA03, 2},  {"ISA04", edit.ISA04, 10},
        {"ISA05", edit.ISA05, 2},  {"ISA06", edit.ISA06, 15}, {"ISA07", edit.ISA07, 2},  {"ISA08", edit.ISA08, 15},
        {"ISA11", edit.ISA11, 1},  {"ISA12", edit.ISA12, 5},  {"GS02", edit.GS02, 15},   {"GS03", edit.GS03, 15},
        {"GS07", edit.GS07, 2},
    };
    for (const Value &v : values) {
        const QString field = QString::fromLatin1(v.field);
        if (v.text.size() > v.width)
            return field + QStringLiteral(" may not be longer than ") + QString::number(v.width)
                + QStringLiteral(" characters!");
        // As it is stored: an ISA value padded with blanks to its width.
        const QString stored = field.startsWith(QLatin1String("ISA")) ? atWidth(v.text, v.width) : v.text;
        for (const Delimiter &d : delimiters) {
            for (QChar c : d.characters) {
                if (stored.contains(c))
                    return field + QStringLiteral(" may not contain the ") + QString::fromLatin1(d.field)
                        + QLatin1Char(' ') + shown(d.characters) + QStringLiteral("!");
            }
        }
    }
    if (edit.ISA12.size() != 5 || !allDigits(edit.ISA12))
        return QStringLiteral("ISA12 must be five digits!");
    const std::pair<const char *, const CounterBox *> boxes[] = {{"ISA13", &isa13}, {"GS06", &gs06}};
    for (const auto &[element, box] : boxes) {
        if (!allDigits(box->text.trimmed()))
            return digitsOnlyRefusal(element);
    }
    // Letters a box dropped as they were typed are told after all the rest.
    for (const auto &[element, box] : boxes) {
        if (box->droppedInput)
            return digitsOnlyRefusal(element);
    }
    return std::nullopt;
}

std::optional<QString> refuseRemoval(const QString &name, const std::vector<ListCount> &held)
{
    if (held.empty())
        return std::nullopt;
    QStringList lists;
    for (const ListCount &l : held)
        lists << l.list + QLatin1Char(' ') + QString::number(l.count);
    return QStringLiteral("'%1' cannot be removed: the lists hold transaction(s) of this trading partner, which could "
                          "not be shown or sent without its settings (%2).")
        .arg(name, lists.join(QStringLiteral(", ")));
}

PartnerStore::PartnerStore(ado::ConnectionPtr connection) : m_cn(std::move(connection)) {}

PartnerStore::~PartnerStore() = default;

void PartnerStore::open()
{
    auto rs = std::make_unique<ado::Recordset>();
    rs->Open(QStringLiteral("SELECT * FROM Partner"), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    m_rs = std::move(rs);
}

void PartnerStore::close()
{
    if (m_rs) {
        auto rs = std::move(m_rs);
        if (rs->State() == ado::adStateOpen) {
            if (rs->EditMode() != ado::adEditNone)
                rs->CancelUpdate();
            rs->Close();
        }
    }
}

bool PartnerStore::isOpen() const
{
    return m_rs && m_rs->State() == ado::adStateOpen;
}

bool PartnerStore::hasRows() const
{
    return isOpen() && !(m_rs->Bof() && m_rs->Eof());
}

void PartnerStore::moveFirst()
{
    if (hasRows())
        m_rs->MoveFirst();
}

void PartnerStore::moveLast()
{
    if (hasRows())
        m_rs->MoveLast();
}

bool PartnerStore::movePrevious()
{
    if (!hasRows())
        return false;
    m_rs->MovePrevious();
    if (m_rs->Bof()) {
        m_rs->MoveFirst();
        return false;
    }
    return true;
}

bool PartnerStore::moveNext()
{
    if (!hasRows())
        return false;
    m_rs->MoveNext();
    if (m_rs->Eof()) {
        m_rs->MoveLast();
        return false;
    }
    return true;
}

long PartnerStore::position() const
{
    return hasRows() ? m_rs->AbsolutePosition() : 0;
}

long PartnerStore::count() const
{
    return isOpen() ? m_rs->RecordCount() : 0;
}

PartnerRow PartnerStore::current() const
{
    if (!isOpen())
        vb::raise(91);
    const ado::Recordset &rs = *m_rs;
    PartnerRow row;
    row.Partner = text(rs, "Partner");
    row.Segment = number(rs, "Segment");
    row.element = number(rs, "element");
    row.sub = number(rs, "sub");
    row.ISAVersion = text(rs, "ISAVersion");
    row.ISAVersionIndex = number(rs, "ISAVersionIndex");
    row.ISA01 = text(rs, "ISA01");
    row.ISA02 = text(rs, "ISA02");
    row.ISA03 = text(rs, "ISA03");
    row.ISA04 = text(rs, "ISA04");
    row.ISA05 = text(rs, "ISA05");
    row.ISA06 = text(rs, "ISA06");
    row.ISA07 = text(rs, "ISA07");
    row.ISA08 = text(rs, "ISA08");
    row.ISA11 = text(rs, "ISA11");
    row.ISA12 = text(rs, "ISA12");
    row.ISA13 = number(rs, "ISA13");
    row.ISA14 = text(rs, "ISA14");
    row.ISA15 = text(rs, "ISA15");
    row.GS02 = text(rs, "GS02");
    row.GS03 = text(rs, "GS03");
    row.GS06 = number(rs, "GS06");
    row.GS07 = text(rs, "GS07");
    return row;
}

QString PartnerStore::currentName() const
{
    if (!isOpen())
        vb::raise(91);
    return text(*m_rs, "Partner");
}

void PartnerStore::refuseDuplicate(const QString &name, qint64 exceptRowid) const
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT rowid AS id FROM Partner WHERE Partner.Partner = ") + ado::SqlText(name), m_cn,
            ado::adOpenForwardOnly, ado::adLockReadOnly);
    bool taken = false;
    for (; !rs.Eof(); rs.MoveNext())
        taken = taken || vb::CDbl(rs.Fields(0).Value()) != double(exceptRowid);
    rs.Close();
    // Worded as the unique index words it, so both paths read alike.
    if (taken)
        vb::raise(ado::adErrProvider, QStringLiteral("UNIQUE constraint failed: Partner.Partner"),
                  QStringLiteral("Corvantis database"));
}

void PartnerStore::add(const QString &name)
{
    if (!isOpen())
        vb::raise(91);
    const QString trimmed = name.trimmed();
    refuseDuplicate(trimmed, -1);
    m_rs->AddNew();
    try {
        m_rs->Fields(QStringLiteral("Partner")) = trimmed;
        m_rs->Update();
    } catch (...) {
        if (m_rs->EditMode() != ado::adEditNone)
            m_rs->CancelUpdate();
        throw;
    }
}

QStringList PartnerStore::save(const PartnerEdit &edit)
{
    if (!hasRows())
        vb::raise(3021);
    const QString oldName = currentName();
    const QString newName = edit.Partner.trimmed();
    const bool renamed = newName != oldName;
    const qint64 rowid = m_rs->rowid();
    const long at = m_rs->AbsolutePosition();
    if (renamed)
        refuseDuplicate(newName, rowid);

    // The sets whose files follow the name, read before the rows change, and
    // every file named by their keys: a new name one of them cannot take
    // refuses the rename before anything changes.
    std::vector<SetFileMove> moves;
    if (renamed) {
        std::vector<core::SetKey> keys;
        ado::Recordset sets;
        sets.Open(QStringLiteral("SELECT * FROM Transactions WHERE Transactions.Partner = ") + ado::SqlText(oldName),
                  m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !sets.Eof(); sets.MoveNext())
            keys.push_back({oldName, text(sets, "Transaction"), text(sets, "Version"), text(sets, "Direction")});
        sets.Close();
        moves = setFileMoves(keys, newName);
        refuseTakenNames(moves);
        notifyMapsLeaving(oldName);
    }

    // Outside the try: a pending edit is dropped before the rollback.
    std::optional<ado::Transaction> tx;
    bool moved = false;
    try {
        tx.emplace(*m_cn);
        ado::Recordset &rs = *m_rs;
        auto set = [&](const char *name, const vb::Variant &value) { rs.Fields(QString::fromLatin1(name)) = value; };
        set("Partner", newName);
        set("Segment", vb::Variant(int16_t(edit.Segment)));
        set("element", vb::Variant(int16_t(edit.element)));
        set("sub", vb::Variant(int16_t(edit.sub)));
        set("ISAVersion", edit.ISAVersion);
        set("ISAVersionIndex", vb::Variant(int16_t(edit.ISAVersionIndex)));
        // Stored at their X12 widths, so an envelope copies them unchanged.
        set("ISA01", atWidth(edit.ISA01, 2));
        set("ISA02", atWidth(edit.ISA02, 10));
        set("ISA03", atWidth(edit.ISA03, 2));
        set("ISA04", atWidth(edit.ISA04, 10));
        set("ISA05", atWidth(edit.ISA05, 2));
        set("ISA06", atWidth(edit.ISA06, 15));
        set("ISA07", atWidth(edit.ISA07, 2));
        set("ISA08", atWidth(edit.ISA08, 15));
        set("ISA11", atWidth(edit.ISA11, 1));
        set("ISA12", atWidth(edit.ISA12, 5));
        // The counters as they are now, inside the transaction: a run may
        // have advanced them since the window showed the partner.
        const Counters stored = storedCounters();
        auto counter = [&](const char *name, const std::optional<CounterEdit> &edited, qint64 now) {
            if (edited && edited->value != now && (edited->value > now || edited->backAllowed))
                set(name, vb::Variant::fromLong(static_cast<int32_t>(edited->value)));
        };
        counter("ISA13", edit.ISA13, stored.ISA13);
        set("ISA14", edit.ISA14 == 0 ? QStringLiteral("0") : QStringLiteral("1"));
        set("ISA15", edit.ISA15 == 0 ? QStringLiteral("P") : QStringLiteral("T"));
        set("GS02", edit.GS02);
        set("GS03", edit.GS03);
        counter("GS06", edit.GS06, stored.GS06);
        set("GS07", edit.GS07);
        rs.Update();
        if (renamed) {
            for (const char *table : kRenamedTables) {
                const QString t = QString::fromLatin1(table);
                m_cn->Execute(QStringLiteral("UPDATE ") + t + QStringLiteral(" SET Partner = ") + ado::SqlText(newName)
                              + QStringLiteral(" WHERE ") + t + QStringLiteral(".Partner = ") + ado::SqlText(oldName));
            }
            // The files go with the rows, all or none: a file that cannot
            // follow takes the rows back, a failed commit the files.
            moveSetFiles(moves);
            moved = true;
        }
        tx->commit();
    } catch (...) {
        if (m_rs->EditMode() != ado::adEditNone)
            m_rs->CancelUpdate();
        tx.reset();
        if (moved) {
            for (const QString &line : moveSetFilesBack(moves))
                core::recordCaught(lcWindows(), qPrintable(line));
        }
        // The set may hold what the rollback took back: read it again.
        reopenAt(at);
        throw;
    }
    if (!renamed)
        return {};
    notifyPartnerRenamed(oldName, newName);
    notifyTransactionsChanged();
    // An untouched default report names the set in its title: it follows.
    QStringList problems;
    for (const SetFileMove &move : moves) {
        if (!move.to.endsWith(QLatin1String(".rpt"), Qt::CaseInsensitive))
            continue;
        const core::SetKey &k = move.set;
        try {
            translation::RetitleDefaultReport(k, {newName, k.transaction, k.version, k.direction}, move.to);
        } catch (const vb::VbError &e) {
            problems << move.to + QStringLiteral(": ") + e.description;
        } catch (const std::exception &e) {
            problems << move.to + QStringLiteral(": ") + QString::fromUtf8(e.what());
        }
    }
    return problems;
}

Counters PartnerStore::storedCounters() const
{
    if (!hasRows())
        vb::raise(3021);
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT ISA13, GS06 FROM Partner WHERE rowid = ") + QString::number(m_rs->rowid()), m_cn,
            ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof())
        vb::raise(3021, QStringLiteral("The trading partner is no longer in the database"));
    const Counters counters{number(rs, "ISA13"), number(rs, "GS06")};
    rs.Close();
    return counters;
}

long PartnerStore::countOf(const QString &statement) const
{
    ado::Recordset rs;
    rs.Open(statement, m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    const long n = rs.Eof() ? 0 : vb::CLng(rs.Fields(0).Value());
    rs.Close();
    return n;
}

SetCounts PartnerStore::setCounts(const QString &name) const
{
    const QString base = QStringLiteral("SELECT Count(*) AS n FROM Transactions WHERE Transactions.Partner = ")
        + ado::SqlText(name) + QStringLiteral(" AND Transactions.Direction = ");
    return {countOf(base + QStringLiteral("'I'")), countOf(base + QStringLiteral("'O'"))};
}

std::vector<ListCount> PartnerStore::mailboxCounts(const QString &name) const
{
    std::vector<ListCount> held;
    for (const char *table : {"Inbox", "Outbox", "Sent", "Recycled"}) {
        const QString t = QString::fromLatin1(table);
        const long n = countOf(QStringLiteral("SELECT Count(*) AS n FROM ") + t + QStringLiteral(" WHERE ") + t
                               + QStringLiteral(".Partner = ") + ado::SqlText(name));
        if (n > 0)
            held.push_back({t, n});
    }
    return held;
}

void PartnerStore::remove()
{
    if (!hasRows())
        vb::raise(3021);
    const QString name = currentName();
    const qint64 rowid = m_rs->rowid();
    const long at = m_rs->AbsolutePosition();
    notifyMapsLeaving(name);
    try {
        ado::Transaction tx(*m_cn);
        for (const char *table : kRemovedTables) {
            const QString t = QString::fromLatin1(table);
            m_cn->Execute(QStringLiteral("DELETE FROM ") + t + QStringLiteral(" WHERE ") + t
                          + QStringLiteral(".Partner = ") + ado::SqlText(name));
        }
        m_cn->Execute(QStringLiteral("DELETE FROM Partner WHERE rowid = ") + QString::number(rowid));
        tx.commit();
    } catch (...) {
        reopenAt(at);
        throw;
    }
    reopenAt(1);
    notifyTransactionsChanged();
}

void PartnerStore::reopenAt(long position)
{
    try {
        close();
        open();
        if (hasRows() && position > 1 && position <= m_rs->RecordCount())
            m_rs->setAbsolutePosition(position);
    } catch (const vb::VbError &) {
        // The original failure is what the caller reports.
        core::recordCaught(lcWindows(), "partners: the partner list was not read again after a failure");
    }
}

} // namespace partners

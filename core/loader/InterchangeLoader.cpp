#include "core/loader/InterchangeLoader.h"

#include <array>

#include "core/BusyScope.h"

#include "core/loader/X12Text.h"
#include "core/Logging.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "ado/Sql.h"
#include "vb/Conversions.h"
#include "vb/CaughtError.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <source_location>
#include <vector>

namespace core {

namespace {

using namespace Qt::StringLiterals;

bool g_loading = false;

// A failed check: the load is rolled back and the message returned.
struct LoadFailure {
    QString message;
};

[[noreturn]] void fail(const QString &message)
{
    throw LoadFailure{message};
}

QString partsMessage(const QString &identifier, size_t parts)
{
    return u"Expected Element missing: Segment = "_s + identifier + u": Included Elements = "_s
        + QString::number(parts);
}

const QString kMissingElement = u"Missing: Expected Segment or Element"_s;

// The screen updates of a load are its own steps: a failure there is passed
// over, so only the checks decide the outcome. It is still recorded.
template <typename F>
void quietly(F &&step, std::source_location where = std::source_location::current())
{
    try {
        step();
    } catch (...) {
        qCWarning(lcCore).noquote() << "load: a screen step failed at" << where.file_name() << where.line()
                                    << "and was passed over:" << vb::caughtErrorText();
    }
}

// The text of a caught error, as its report would show it.
QString errorText(const std::exception &error)
{
    if (const auto *vbError = dynamic_cast<const vb::VbError *>(&error))
        return vbError->description.isEmpty() ? vb::errorText(vbError->number) : vbError->description;
    return QString::fromLocal8Bit(error.what());
}

// A mailbox row that cannot be stored fails the load with the cause in its
// message, so the History entry says why.
[[noreturn]] void failSaving(const QString &cause)
{
    const QString message = QString::fromLatin1(loader_messages::kErrorSavingSet);
    fail(cause.isEmpty() ? message : message + u": "_s + cause);
}

// One character of 8-bit text (0-based), empty past its end, as Mid does.
QByteArray charAt(QByteArrayView text, qsizetype index)
{
    return index < text.size() ? QByteArray(1, text[index]) : QByteArray();
}

// The mailbox columns a load writes, in the order it writes them.
enum MailboxColumn {
    ColPartner,
    ColTransaction,
    ColVersion,
    ColDate,
    ColTime,
    ColUsed,
    ColInterchangeControlNumber,
    ColGroupControlNumber,
    ColFunctionalGroup,
    ColSenderID,
    ColSenderDivision,
    ColReceiverID,
    ColReceiverDivision,
    ColDirection,
    ColAcknowledged,
    ColStatus,
    ColTSet,
    ColumnCount
};
constexpr const char *kColumns[ColumnCount] = {
    "Partner",
    "Transaction",
    "Version",
    "Date",
    "Time",
    "Used",
    "InterchangeControlNumber",
    "GroupControlNumber",
    "FunctionalGroup",
    "SenderID",
    "SenderDivision",
    "ReceiverID",
    "ReceiverDivision",
    "Direction",
    "Acknowledged",
    "Status",
    "TSet",
};

int columnPosition(ado::Recordset &rs, const char *name)
{
    ado::Fields &fields = rs.Fields();
    for (int i = 0; i < fields.Count(); ++i)
        if (fields.Item(i).Name().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return i;
    vb::raise(3265, u"Item cannot be found in the collection corresponding to the requested name or ordinal."_s);
}

// An ST with a third element (the implementation convention reference) is
// sound from version 005010 on; earlier versions have no such element.
bool hasConventionReference(const QString &version)
{
    if (version.size() != 6)
        return false;
    for (QChar c : version)
        if (c < u'0' || c > u'9')
            return false;
    return version >= u"005010"_s;
}

QString trimmedRight(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.left(end);
}

// The segments the loader acts on; every other segment only joins its set.
enum class Segment { Other, ISA, GS, ST, SE, GE, IEA };

Segment segmentOf(QByteArrayView id)
{
    const char *p = id.data();
    if (id.size() == 2) {
        if (p[0] == 'G')
            return p[1] == 'S' ? Segment::GS : p[1] == 'E' ? Segment::GE : Segment::Other;
        if (p[0] == 'S')
            return p[1] == 'T' ? Segment::ST : p[1] == 'E' ? Segment::SE : Segment::Other;
    } else if (id.size() == 3 && p[0] == 'I') {
        if (p[1] == 'S' && p[2] == 'A')
            return Segment::ISA;
        if (p[1] == 'E' && p[2] == 'A')
            return Segment::IEA;
    }
    return Segment::Other;
}

// The progress bar's range: thousandths of the file.
constexpr int kProgressMax = 1000;
// Inside a set, progress is shown (and messages run) at least this often.
constexpr int kSegmentsPerProgress = 256;

class Load {
public:
    Load(WorkProgress &ui, const QString &direction, const QString &fileName, bool interactive)
        : m_ui(ui), m_direction(direction), m_inbound(direction == u"I"_s), m_fileName(fileName),
          m_interactive(interactive)
    {
    }

    // Runs the load on `text` (already read) inside the caller's transaction.
    void run(QByteArrayView text);
    void release();

    // History entries of the load's work, written in its transaction once the whole file is stored.
    const QList<std::pair<QString, QString>> &history() const { return m_history; }
    int interchanges() const { return m_interchangesStored; }
    int sets() const { return m_setsStored; }

private:
    void dispatch(Segment segment, QByteArrayView piece);
    void showProgress(qsizetype position);
    void storeSetText(ado::Field &field, const std::pair<QString, QString> &delimiters);
    bool isStoredAlready();
    void onISA(QByteArrayView piece);
    void onGS(QByteArrayView piece);
    void onST(QByteArrayView piece);
    void onSE(QByteArrayView piece);
    void onGE(QByteArrayView piece);
    void onIEA(QByteArrayView piece);
    struct KeyState;
    KeyState &transactionKey();
    void flushControlNumbers();
    void openBox();
    std::optional<vb::Variant> storedControlNumber(const QString &partner, const QString &transaction,
                                                   const QString &version);
    // The set is kept as the file's bytes: it becomes text only where it
    // has to (an inbound 997, other delimiters for the partner). While its
    // segments follow each other in the file, each with the terminator as
    // the set writes it, the set is that stretch of the file; otherwise
    // (line breaks between segments, a terminator in the other letter case)
    // it is copied together.
    void appendToSet(QByteArrayView piece)
    {
        const qsizetype t = m_terminatorBytes.size();
        // Every piece read is followed by its terminator in the file.
        const bool terminated = std::memcmp(piece.data() + piece.size(), m_terminatorBytes.constData(), size_t(t)) == 0;
        if (!m_setCopied && terminated) {
            if (m_setSpan.isNull()) {
                m_setSpan = QByteArrayView(piece.data(), piece.size() + t);
                return;
            }
            if (piece.data() == m_setSpan.data() + m_setSpan.size()) {
                m_setSpan = QByteArrayView(m_setSpan.data(), m_setSpan.size() + piece.size() + t);
                return;
            }
        }
        if (!m_setCopied) {
            m_setText.resize(0);
            m_setText.append(m_setSpan.data(), m_setSpan.size());
            m_setCopied = true;
        }
        m_setText.append(piece.data(), piece.size());
        m_setText.append(m_terminatorBytes);
    }
    QByteArrayView setText() const { return m_setCopied ? QByteArrayView(m_setText) : m_setSpan; }
    void clearSet()
    {
        m_setSpan = {};
        m_setCopied = false;
        m_setText.resize(0); // keeps its capacity for the next set
    }
    QString part(size_t index) const { return vb::fromWindows1252(m_parts[index]); }
    static QString text(QByteArrayView piece) { return vb::fromWindows1252(piece); }

    WorkProgress &m_ui;
    const QString m_direction;
    const bool m_inbound;
    const QString m_fileName;
    const bool m_interactive;

    QList<std::pair<QString, QString>> m_history;
    int m_interchangesStored = 0, m_setsStored = 0;
    // An interchange stored already: its segments are passed over up to its IEA.
    bool m_skipping = false;

    std::unique_ptr<ado::Recordset> m_box;
    QString m_boxError; // why the mailbox table could not be opened
    int m_rowsInBox = 0; // rows the open record set has added
    std::array<int, ColumnCount> m_column{}; // positions of the mailbox columns in m_box
    bool m_rowPending = false;

    // The delimiters as text and as the file's bytes.
    QString m_terminator, m_separator, m_subSeparator;
    QByteArray m_terminatorBytes, m_separatorBytes;
    std::vector<QByteArrayView> m_parts;

    // The current interchange.
    QString m_isaText, m_isa13, m_isa15, m_partnerId, m_ourId;
    bool m_isaPending = false;
    // The current group.
    QString m_gsText, m_gs01, m_gs06, m_version, m_date, m_time, m_partnerApp, m_ourApp, m_partner;
    // The current set.
    QString m_st01, m_st02;
    QByteArrayView m_setSpan; // the set in the file
    bool m_setCopied = false; // the set is in m_setText instead
    QByteArray m_setText, m_utf8;
    // The mailbox values every set of the group shares, as UTF-8; remade
    // after an ISA or GS.
    std::vector<std::pair<MailboxColumn, QByteArray>> m_rowUtf8;
    bool m_rowStale = true;
    // Segments of the set, sets of the group, groups of the interchange.
    qint64 m_segments = 0, m_sets = 0, m_groups = 0;
    QString m_last;

    // What the progress bar and percentage show: the share of the file's
    // bytes read, in thousandths and in whole percent.
    qsizetype m_total = 0;
    qint64 m_shownPercent = -1, m_shownPermille = -1;
    int m_sinceShown = 0; // segments read since the progress was shown

    // What a load learns about a set's key once and keeps until it ends: the
    // key's acknowledgement flag and the control number to store for it.
    // The numbers are written at the end of each group, not for every set.
    struct KeyState {
        QString partner, transaction, version;
        bool acknowledge = false;
        std::optional<qint64> pending;
    };
    QHash<QString, KeyState> m_keys;
    // The partner's terminator and element separator, looked up once per load.
    QHash<QString, std::pair<QString, QString>> m_delimiters;
};

void Load::run(QByteArrayView text)
{
    // A failure to open the mailbox shows at the first set, which then
    // cannot be stored.
    openBox();

    if (!text.startsWith("ISA"))
        fail(u"Missing ISA Segment"_s);

    // Delimiters at fixed places of the first ISA; a CR LF pair after it is
    // one terminator.
    if (text.size() >= 107 && text[105] == '\r' && text[106] == '\n')
        m_terminatorBytes = "\r\n";
    else
        m_terminatorBytes = charAt(text, 105);
    m_separatorBytes = charAt(text, 3);
    m_terminator = vb::fromWindows1252(m_terminatorBytes);
    m_separator = vb::fromWindows1252(m_separatorBytes);
    m_subSeparator = text.size() > 104 ? QString(QChar(vb::windows1252Char(uchar(text[104])))) : QString();

    qsizetype position = 0;
    if (x12::nextPiece(text, position, m_terminatorBytes, true).size() != 105)
        fail(u"Corrupt ISA Segment"_s);

    // Files written one segment a line: after a one-character terminator a
    // line break and the indentation of the next line belong to no segment.
    // A terminator that is itself such a character keeps every byte.
    const char only = m_terminatorBytes.size() == 1 ? m_terminatorBytes[0] : '\r';
    const bool skipLineBreaks = only != '\r' && only != '\n' && only != ' ' && only != '\t';

    // Progress and yields come per set and envelope segment, and at least
    // every few hundred segments inside a large set: not per segment, whose
    // calls cost as much as reading it. The file is read in one pass.
    m_total = text.size();
    quietly([&] { m_ui.setProgressMax(kProgressMax); });
    position = 0;
    while (true) {
        const QByteArrayView piece = x12::nextPiece(text, position, m_terminatorBytes, true);
        // The piece after the last terminator is never read.
        if (position > text.size())
            break;
        if (skipLineBreaks)
            position = x12::skipLineBreak(text, position);
        if (piece.startsWith("ISA")) {
            m_separatorBytes = charAt(piece, 3);
            m_separator = vb::fromWindows1252(m_separatorBytes);
            m_subSeparator = piece.size() > 104 ? QString(QChar(vb::windows1252Char(uchar(piece[104])))) : QString();
        }

        // Only envelope segments are cut into their elements; the others
        // only need their identifier.
        qsizetype afterId = 0;
        const Segment segment = segmentOf(x12::nextPiece(piece, afterId, m_separatorBytes, true));
        if (segment != Segment::Other)
            x12::cutInto(m_parts, piece, m_separatorBytes, true);
        dispatch(segment, piece);

        if ((segment != Segment::Other && segment != Segment::ST) || ++m_sinceShown == kSegmentsPerProgress)
            showProgress(position);
    }
    showProgress(m_total);

    if (m_last != u"IEA"_s)
        fail(u"Missing Interchange Control Trailer Segment"_s);
}

void Load::showProgress(qsizetype position)
{
    m_sinceShown = 0;
    const double share = m_total > 0 ? double(qMin(position, m_total)) / double(m_total) : 1.0;
    const auto percent = static_cast<qint64>(std::nearbyint(share * 100.0));
    if (percent != m_shownPercent) {
        m_shownPercent = percent;
        quietly([&] { m_ui.setPercentText(x12::percentText(double(percent)) + u"% Complete"_s); });
    }
    const auto permille = static_cast<qint64>(std::nearbyint(share * kProgressMax));
    if (permille != m_shownPermille) {
        m_shownPermille = permille;
        quietly([&] { m_ui.setProgressValue(static_cast<int>(permille)); });
    }
    quietly([&] { m_ui.yield(); });
}

void Load::dispatch(Segment segment, QByteArrayView piece)
{
    if (m_skipping) {
        // An ISA without its IEA ends the passing over; the next check
        // then fails the file as it would have.
        if (segment == Segment::IEA) {
            m_skipping = false;
            m_last = u"IEA"_s;
            return;
        }
        if (segment != Segment::ISA)
            return;
        m_skipping = false;
    }
    switch (segment) {
    case Segment::ISA: onISA(piece); break;
    case Segment::GS: onGS(piece); break;
    case Segment::ST: onST(piece); break;
    case Segment::SE: onSE(piece); break;
    case Segment::GE: onGE(piece); break;
    case Segment::IEA: onIEA(piece); break;
    case Segment::Other:
        ++m_segments;
        appendToSet(piece);
        break;
    }
}

// The same interchange (sender and receiver with their qualifiers, ISA13)
// in any list: its envelope row names the qualifiers, a mailbox row shows
// that its sets are still kept. Earlier interchanges of the same file count.
bool Load::isStoredAlready()
{
    const auto quoted = [&](size_t index) { return u"'"_s + ado::SqlEscape(part(index)) + u"'"_s; };
    ado::Recordset isa;
    isa.Open(u"SELECT ISA.ISA13 FROM ISA WHERE ISA.ISA13 = "_s + quoted(13) + u" AND ISA.ISA05 = "_s + quoted(5)
                 + u" AND ISA.ISA06 = "_s + quoted(6) + u" AND ISA.ISA07 = "_s + quoted(7) + u" AND ISA.ISA08 = "_s
                 + quoted(8),
             modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    const bool envelope = !isa.Eof();
    isa.Close();
    if (!envelope)
        return false;
    // The mailbox keeps the partner's id as SenderID whatever the direction.
    const QString ids = u" AND ((SenderID = "_s + quoted(6) + u" AND ReceiverID = "_s + quoted(8)
        + u") OR (SenderID = "_s + quoted(8) + u" AND ReceiverID = "_s + quoted(6) + u"))"_s;
    for (const QString &table : {u"Inbox"_s, u"Outbox"_s, u"Sent"_s, u"Recycled"_s}) {
        ado::Recordset rs;
        rs.Open(u"SELECT InterchangeControlNumber FROM "_s + table + u" WHERE InterchangeControlNumber = "_s
                    + quoted(13) + ids,
                modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const bool found = !rs.Eof();
        rs.Close();
        if (found)
            return true;
    }
    return false;
}

// The mailbox record set only adds rows: it is opened on none of the rows
// already stored (a keyset of the whole table would cost as much as the
// mailbox is large), and opened afresh every few hundred sets, so what it
// keeps of the added rows never grows with the file.
void Load::openBox()
{
    m_rowsInBox = 0;
    try {
        if (m_box)
            m_box->Close();
        m_box = std::make_unique<ado::Recordset>();
        m_box->Open(u"SELECT * FROM "_s + (m_inbound ? u"Inbox"_s : u"Outbox"_s) + u" WHERE 0 = 1"_s,
                    modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockPessimistic);
        // Each column is found once per set opened, not once per row.
        for (int c = 0; c < ColumnCount; ++c)
            m_column[std::size_t(c)] = columnPosition(*m_box, kColumns[c]);
    } catch (const std::exception &error) {
        m_box.reset();
        m_boxError = errorText(error);
    }
}

void Load::onISA(QByteArrayView piece)
{
    if (piece.size() != 105 || m_parts.size() != 17)
        fail(partsMessage(u"ISA"_s, m_parts.size()));
    m_isa13 = part(13);
    m_isa15 = part(15);
    m_partnerId = m_inbound ? part(6) : part(8);
    m_ourId = m_inbound ? part(8) : part(6);
    m_isaText = text(piece);
    m_isaPending = true;
    m_rowStale = true;
    m_last = u"ISA"_s;

    if (isStoredAlready()) {
        const QString sender = trimmedRight(part(6));
        const bool again = m_interactive
            && vb::MsgBox(loader_messages::alreadyStoredQuestion(m_isa13, sender),
                          vb::vbYesNo | vb::vbQuestion | vb::vbDefaultButton2, modGlobal::AppTitle())
                == vb::vbYes;
        if (!again) {
            m_history.append({u"Warning"_s, loader_messages::alreadyStoredWarning(m_isa13, sender, m_fileName)});
            m_isaPending = false;
            m_skipping = true;
        }
    }
}

void Load::onGS(QByteArrayView piece)
{
    if (m_parts.size() != 9)
        fail(partsMessage(u"GS"_s, m_parts.size()));
    ++m_groups;
    m_gs06 = part(6);
    m_gsText = text(piece);

    m_partner = modGlobal::FindPartnerByISA(m_partnerId, m_ourId);
    if (m_partner.isEmpty()) {
        m_partner = modGlobal::RegisterPartner(m_isaText, m_gsText, m_terminator, m_separator, m_subSeparator,
                                               m_direction);
        // Stored under an empty key, the file's rows would belong to no partner.
        if (m_partner.isEmpty())
            fail(QString::fromLatin1(loader_messages::kPartnerRegistrationFailed));
        m_history.append({u"Info"_s, u"Trading Partner Registered - ["_s + m_partner + u"]"_s});
    }
    m_partnerApp = m_inbound ? part(2) : part(3);
    m_ourApp = m_inbound ? part(3) : part(2);

    if (m_isaPending) {
        if (!InterchangeLoader::WriteOutISA(m_isaText, m_separator, m_partner, m_direction))
            fail(u"Error Saving Interchange Control Header Segment"_s);
        m_isaPending = false;
    }
    if (!InterchangeLoader::WriteOutGS(m_gsText, m_gs06, m_separator, m_partner, m_direction))
        fail(u"Error Saving Functional Group Header Segment"_s);

    m_gs01 = part(1);
    m_version = vb::fromWindows1252(m_parts[8].first(qMin<qsizetype>(6, m_parts[8].size())));
    m_date = x12::groupDate(part(4));
    m_time = x12::groupTime(part(5), vb::currentDateTime());
    m_rowStale = true;
    m_last = u"GS"_s;
}

void Load::onST(QByteArrayView piece)
{
    if (m_parts.size() != 3 && !(m_parts.size() == 4 && hasConventionReference(m_version)))
        fail(partsMessage(u"ST"_s, m_parts.size()));
    m_st02 = part(2);
    ++m_segments;
    ++m_sets;
    m_st01 = part(1);

    KeyState &key = transactionKey();
    const QByteArrayView acknowledged = (m_st01 != u"997"_s && key.acknowledge) ? "No" : "Void";

    try {
        if (!m_box)
            vb::raise(3704, m_boxError.isEmpty() ? u"Operation is not allowed when the object is closed."_s : m_boxError);
        // A set that never reached its SE leaves no row of its own behind.
        if (m_rowPending) {
            m_box->CancelUpdate();
            m_rowPending = false;
        }
        // The values that the interchange and the group give every set are
        // made UTF-8 once, when they change.
        if (m_rowStale) {
            const std::pair<MailboxColumn, const QString *> shared[] = {
                {ColPartner, &m_partner},
                {ColVersion, &m_version},
                {ColDate, &m_date},
                {ColTime, &m_time},
                {ColUsed, &m_isa15},
                {ColInterchangeControlNumber, &m_isa13},
                {ColGroupControlNumber, &m_gs06},
                {ColFunctionalGroup, &m_gs01},
                {ColSenderID, &m_partnerId},
                {ColSenderDivision, &m_partnerApp},
                {ColReceiverID, &m_ourId},
                {ColReceiverDivision, &m_ourApp},
                {ColDirection, &m_direction},
            };
            m_rowUtf8.clear();
            for (const auto &[column, value] : shared)
                m_rowUtf8.push_back({column, value->toUtf8()});
            m_rowStale = false;
        }
        ado::Recordset &rs = *m_box;
        rs.AddNew();
        m_rowPending = true;
        for (const auto &[column, value] : m_rowUtf8)
            rs.Fields(m_column[column]).setUtf8(value);
        rs.Fields(m_column[ColTransaction]).setUtf8(x12::windows1252AsUtf8(m_parts[1], m_utf8));
        rs.Fields(m_column[ColAcknowledged]).setUtf8(acknowledged);
        rs.Fields(m_column[ColStatus]).setUtf8("Closed");
    } catch (const std::exception &error) {
        failSaving(errorText(error));
    }

    quietly([&] { m_ui.hideNotice(); });
    appendToSet(piece);
    m_last = u"ST"_s;
}

// The set's key: registered with its seed map the first time a load meets
// it, then its acknowledgement flag is read once. The key's counter gets the
// set's control number; an outbound load never lowers it but makes it at
// least ST02 + 1, so the next outbound run cannot hand out a number this file
// already used. A control number that is no whole number (X12 allows
// letters) leaves the counter as it is.
Load::KeyState &Load::transactionKey()
{
    const QString id = m_partner + QChar(0) + m_st01 + QChar(0) + m_version;
    auto found = m_keys.find(id);
    if (found == m_keys.end()) {
        if (!storedControlNumber(m_partner, m_st01, m_version)) {
            if (!modGlobal::RegisterTransaction(m_partner, m_st01, m_gs01, m_version, m_direction))
                fail(u"Transaction Set Registration Failed"_s);
        }
        KeyState state;
        state.partner = m_partner;
        state.transaction = m_st01;
        state.version = m_version;
        state.acknowledge = modGlobal::IsAcknowledgeRequired(m_partner, m_st01, m_version, m_direction);
        found = m_keys.insert(id, state);
    }

    bool numeric = !m_st02.isEmpty();
    qint64 number = 0;
    for (QChar c : m_st02) {
        if (c < u'0' || c > u'9' || number > 999999999) {
            numeric = false;
            break;
        }
        number = number * 10 + (c.unicode() - u'0');
    }
    if (numeric && number <= 999999999) {
        if (!m_inbound) {
            const qint64 next = number + 1 > 999999999 ? 1 : number + 1;
            number = qMax(next, found->pending.value_or(0));
        }
        found->pending = number;
    }
    return *found;
}

std::optional<vb::Variant> Load::storedControlNumber(const QString &partner, const QString &transaction,
                                                     const QString &version)
{
    std::optional<vb::Variant> stored;
    ado::Recordset rs;
    rs.Open(u"SELECT * FROM Transactions"_s + u" WHERE Transactions.Partner = '"_s + ado::SqlEscape(partner)
                + u"'"_s + u" AND Transactions.Transaction = '"_s + ado::SqlEscape(transaction) + u"'"_s
                + u" AND Transactions.Version ='"_s + ado::SqlEscape(version) + u"'"_s
                + u" AND Transactions.Direction ='"_s + ado::SqlEscape(m_direction) + u"'"_s,
            modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (!rs.Eof())
        stored = rs(u"ControlNumber"_s).Value();
    rs.Close();
    return stored;
}

// Stores the control numbers the group's sets left for their keys.
void Load::flushControlNumbers()
{
    for (KeyState &key : m_keys) {
        if (!key.pending)
            continue;
        qint64 number = *key.pending;
        key.pending.reset();
        if (!m_inbound) {
            const std::optional<vb::Variant> stored = storedControlNumber(key.partner, key.transaction, key.version);
            if (stored && !stored->isNull() && !stored->isEmpty())
                number = qMax(number, static_cast<qint64>(vb::CDbl(*stored)));
        }
        // A counter left behind would let the next outbound run reuse numbers.
        if (!modGlobal::SetControlNumber(key.partner, key.transaction, key.version, m_direction,
                                         QString::number(number)))
            fail(QString::fromLatin1(loader_messages::kErrorSavingSet));
    }
}

void Load::onSE(QByteArrayView piece)
{
    if (m_last != u"ST"_s)
        fail(u"Missing Transaction Set Header Segment"_s);
    ++m_segments;
    if (m_parts.size() < 3)
        fail(kMissingElement);
    if (part(2) != m_st02)
        fail(u"Transaction Set Header Control Number "_s + m_st02
             + u" Do Not Match Transaction Set Trailer Control Number "_s + part(2));
    if (x12::leadingNumber(m_parts[1]) != double(m_segments))
        fail(u"Included Number of Segments "_s + QString::number(m_segments) + u" Are Not Equal "_s + part(1));
    m_segments = 0;
    appendToSet(piece);

    // Our own 997s in the Outbox acknowledge nothing we sent. Sent rows that
    // cannot be marked fail the load: the 997 would be kept without its effect.
    if (m_st01 == u"997"_s && m_inbound
        && !modGlobal::MarkSentAcknowledged(m_partner, vb::fromWindows1252(setText()), m_terminator, m_separator))
        fail(QString::fromLatin1(loader_messages::kErrorSavingSet));

    auto delimiters = m_delimiters.find(m_partner);
    if (delimiters == m_delimiters.end())
        delimiters = m_delimiters.insert(m_partner, {modGlobal::GetSegmentTerminator(m_partner),
                                                     modGlobal::GetElementSeparator(m_partner)});
    try {
        if (!m_box || !m_rowPending)
            vb::raise(3021);
        storeSetText(m_box->Fields(m_column[ColTSet]), *delimiters);
        m_box->Update();
        m_rowPending = false;
        ++m_setsStored;
        if (++m_rowsInBox == 512)
            openBox();
    } catch (const std::exception &error) {
        failSaving(errorText(error));
    }
    clearSet();
    m_last = u"SE"_s;
}

// The set's text goes to the database as the file's bytes (as UTF-8), with
// no text object in between, unless the partner's delimiters differ from the
// file's.
void Load::storeSetText(ado::Field &field, const std::pair<QString, QString> &delimiters)
{
    if (x12::redelimitChanges(m_terminator, m_separator, delimiters.first, delimiters.second))
        field = x12::redelimit(vb::fromWindows1252(setText()), m_terminator, m_separator, delimiters.first,
                               delimiters.second);
    else
        field.setUtf8(x12::windows1252AsUtf8(setText(), m_utf8));
}

void Load::onGE(QByteArrayView piece)
{
    if (m_last != u"SE"_s)
        fail(u"Missing Transaction Set Trailer Segment"_s);
    if (m_parts.size() < 3)
        fail(kMissingElement);
    if (x12::leadingNumber(m_parts[1]) != double(m_sets))
        fail(u"Number of Included Transaction Sets "_s + QString::number(m_sets) + u" Are Not Equal "_s
             + part(1));
    if (part(2) != m_gs06)
        fail(u"Functional Group Control Number "_s + m_gs06 + u" Does Not Match GE Group Control Number "_s
             + part(2));
    m_sets = 0;
    flushControlNumbers();
    if (!InterchangeLoader::WriteOutGE(text(piece), m_separator, m_partner))
        fail(u"Error Saving Functional Group Trailer Segment"_s);
    m_last = u"GE"_s;
}

void Load::onIEA(QByteArrayView piece)
{
    if (m_last != u"GE"_s)
        fail(u"Missing Functional Group Trailer Segment"_s);
    if (m_parts.size() < 3)
        fail(kMissingElement);
    if (x12::leadingNumber(m_parts[1]) != double(m_groups))
        fail(u"Number of Included Functional Groups "_s + QString::number(m_groups) + u" Are Not Equal "_s
             + part(1));
    if (part(2) != m_isa13)
        fail(u"Interchange Header Control Number "_s + m_isa13
             + u" Do Not Match Interchange Trailer Control Number "_s + part(2));
    m_groups = 0;
    if (!InterchangeLoader::WriteOutIEA(text(piece), m_separator, m_partner))
        fail(u"Error Saving Interchange Control Trailer Segment"_s);
    ++m_interchangesStored;
    m_last = u"IEA"_s;
}

void Load::release()
{
    if (!m_box)
        return;
    quietly([&] {
        if (m_rowPending)
            m_box->CancelUpdate();
    });
    quietly([&] { m_box->Close(); });
    m_box.reset();
    m_rowPending = false;
}

// The file's bytes, mapped rather than copied: a large interchange is read
// once, straight from the page cache. A file that cannot be read reads as
// empty text (and fails as a file without ISA).
class InterchangeBytes {
public:
    explicit InterchangeBytes(const QString &fileName)
        : m_file(fileName)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            return;
        const qint64 size = m_file.size();
        if (size > 0) {
            if (uchar *mapped = m_file.map(0, size)) {
                m_view = QByteArrayView(reinterpret_cast<const char *>(mapped), size);
                return;
            }
        }
        m_copy = m_file.readAll();
        m_view = m_copy;
    }
    QByteArrayView view() const { return m_view; }

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_view;
};

// A refused file: the message the caller gets, and the file named with it
// in History and the status bar.
QString refuse(WorkProgress &ui, const QString &message, const QString &fileName)
{
    quietly([&] { ui.setStatusText(loader_messages::refusedText(message, QFileInfo(fileName).fileName())); });
    modGlobal::LogHistory(u"Error"_s, loader_messages::refusedText(message, fileName));
    return message;
}

// The file is read inside the transaction, after the status text, as the
// program always did.
QString runLoad(WorkProgress *progress, const QString &readFile, const QString &shownName, const QString &direction,
                bool interactive, int &interchanges, int &sets)
{
    // What the messages call the file: the name it has, or will have once its writer names it.
    const QString fileName = shownName.isEmpty() ? readFile : shownName;
    interchanges = sets = 0;
    WorkProgress none;
    WorkProgress &ui = progress ? *progress : none;
    if (g_loading)
        return refuse(ui, QString::fromLatin1(loader_messages::kLoadInProgress), fileName);
    // Started inside other work's yield: refused, so it never joins that
    // work's transaction; the file stays where it is.
    BusyScope busy(u"Load"_s, modGlobal::cnDatabase);
    if (!busy.acquired()) {
        const QString refusal = BusyScope::refusalText(u"Load"_s);
        modGlobal::LogHistory(u"Warning"_s, refusal);
        return refuse(ui, refusal, fileName);
    }
    g_loading = true;
    struct Reset {
        ~Reset() { g_loading = false; }
    } reset;

    Load load(ui, direction, fileName, interactive);
    // The transaction ends on the connection it began on: the program's exit
    // can close and drop the shared one while the load yields.
    const std::shared_ptr<ado::Connection> connection = busy.connectionPtr();
    // Ended by cleanUp after the load's record set is released; a rollback
    // that fails there is recorded, and the load's own error is reported.
    std::optional<ado::Transaction> tx;

    auto cleanUp = [&] {
        load.release();
        quietly([&] { ui.setProgressValue(0); });
        quietly([&] { ui.setPercentText(QString()); });
        tx.reset();
    };

    // The whole file is one bulk transaction; whatever ends the load puts
    // the connection back to everyday writing.
    struct BulkWriting {
        std::shared_ptr<ado::Connection> connection;
        void end()
        {
            if (connection)
                quietly([&] { connection->setBulkWriting(false); });
            connection.reset();
        }
        ~BulkWriting() { end(); }
    } bulkWriting{connection};
    try {
        if (!connection)
            vb::raise(3709, u"The connection cannot be used to perform this operation. It is either closed or invalid in this context."_s);
        connection->setBulkWriting(true);
        tx.emplace(*connection);
        quietly([&] { ui.setStatusText(u"Reading file please wait..."_s); });
        quietly([&] { ui.yield(); });

        const InterchangeBytes bytes(readFile);
        load.run(bytes.view());

        load.release();
        interchanges = load.interchanges();
        sets = load.sets();
        // In the load's own transaction: the entries stand or fall with what
        // they tell of, and the synced commit keeps them too.
        for (const auto &[type, text] : load.history())
            modGlobal::LogHistory(type, text);
        modGlobal::LogHistory(u"Info"_s, loader_messages::loadedText(interchanges, sets, fileName));
        tx->commit();
        bulkWriting.end();
        quietly([&] { ui.setProgressValue(0); });
        quietly([&] { ui.refreshList(direction == u"I"_s ? u"Inbox"_s : u"Outbox"_s); });
        quietly([&] {
            ui.setStatusText(loader_messages::loadedText(interchanges, sets, QFileInfo(fileName).fileName()));
        });
        quietly([&] { ui.setPercentText(QString()); });
        return {};
    } catch (const LoadFailure &failure) {
        cleanUp();
        return refuse(ui, failure.message, fileName);
    } catch (const vb::VbError &error) {
        cleanUp();
        modGlobal::ReportError(error);
        return refuse(ui, error.description.isEmpty() ? vb::errorText(error.number) : error.description, fileName);
    } catch (const std::exception &error) {
        cleanUp();
        modGlobal::ReportError(error);
        const QString what = QString::fromLocal8Bit(error.what());
        return refuse(ui, what.isEmpty() ? u"Internal error"_s : what, fileName);
    }
}

} // namespace

InterchangeLoader::InterchangeLoader(WorkProgress *progress)
    : m_progress(progress)
{
}

QString InterchangeLoader::LoadBox(const QString &FileName, const QString &Direction)
{
    return runLoad(m_progress, FileName, m_shownName, Direction, m_interactive, m_interchanges, m_sets);
}

namespace loader_messages {

QString alreadyStoredQuestion(const QString &isa13, const QString &sender)
{
    return u"Interchange "_s + isa13 + u" from "_s + sender + u" is already stored. Load it again?"_s;
}

QString alreadyStoredWarning(const QString &isa13, const QString &sender, const QString &fileName)
{
    return u"Interchange "_s + isa13 + u" from "_s + sender + u" is already stored, not loaded again - ["_s
        + fileName + u"]"_s;
}

QString refusedText(const QString &message, const QString &fileName)
{
    return message + u" - ["_s + fileName + u"]"_s;
}

QString loadedText(int interchanges, int sets, const QString &fileName)
{
    return u"File Loaded - Interchanges: "_s + QString::number(interchanges) + u", Transaction Sets: "_s
        + QString::number(sets) + u" - ["_s + fileName + u"]"_s;
}

} // namespace loader_messages

bool InterchangeLoader::isLoading()
{
    return g_loading;
}

namespace {

// Adds one envelope row: `columns` take the parts 1, 2 ... of the segment cut
// exactly at the separator; a missing part fails like any other error.
bool writeEnvelope(const QString &table, const QString &segment, const QString &separator,
                   const QStringList &columns, const std::vector<std::pair<QString, QString>> &extra)
{
    try {
        const std::vector<QStringView> parts = x12::cut(segment, separator, false);
        ado::Recordset rs;
        rs.Open(u"SELECT * FROM "_s + table, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
        rs.AddNew();
        for (const auto &[column, value] : extra)
            rs(column) = value;
        for (qsizetype k = 0; k < columns.size(); ++k) {
            if (size_t(k + 1) >= parts.size())
                vb::raise(9);
            rs(columns[k]) = parts[k + 1].toString();
        }
        rs.Update();
        rs.Close();
        return true;
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return false;
}

QStringList numberedColumns(const QString &prefix, int count)
{
    QStringList columns;
    for (int k = 1; k <= count; ++k)
        columns << prefix + QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
    return columns;
}

} // namespace

bool InterchangeLoader::WriteOutISA(const QString &Segments, const QString &DED, const QString &Partner,
                                    const QString &Direction)
{
    static const QStringList columns = numberedColumns(u"ISA"_s, 16);
    return writeEnvelope(u"ISA"_s, Segments, DED, columns, {{u"Partner"_s, Partner}, {u"Direction"_s, Direction}});
}

bool InterchangeLoader::WriteOutGS(const QString &Segments, const QString &GCN, const QString &DED,
                                   const QString &Partner, const QString &Direction)
{
    static const QStringList columns = numberedColumns(u"GS"_s, 8);
    return writeEnvelope(u"GS"_s, Segments, DED, columns,
                         {{u"Partner"_s, Partner}, {u"GCN"_s, GCN}, {u"Direction"_s, Direction}});
}

bool InterchangeLoader::WriteOutGE(const QString &Segments, const QString &DED, const QString &Partner)
{
    static const QStringList columns = numberedColumns(u"GE"_s, 2);
    return writeEnvelope(u"GE"_s, Segments, DED, columns, {{u"Partner"_s, Partner}});
}

bool InterchangeLoader::WriteOutIEA(const QString &Segments, const QString &DED, const QString &Partner)
{
    static const QStringList columns = numberedColumns(u"IEA"_s, 2);
    return writeEnvelope(u"IEA"_s, Segments, DED, columns, {{u"Partner"_s, Partner}});
}

} // namespace core

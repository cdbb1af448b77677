#include "communications/SendFile.h"

#include "communications/ExchangeLog.h"
#include "communications/clsExchange.h"

#include "core/SettingsSections.h"
#include "core/loader/InterchangeFile.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "vb/AtomicFile.h"
#include "vb/Clock.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <map>

using namespace Qt::StringLiterals;

namespace communications {

namespace {

struct SendFiles {
    std::map<QString, SendFile> byPath;
    QString last;
    QStringList ofRun;      // written since beginSendRun()
    qint64 movedInRun = 0;  // rows moved to Sent since beginSendRun()
    QString moveFailed;     // a file whose rows went to Sent but which stayed where it was
};

const QString &mailboxColumns()
{
    static const QString columns = u"Partner, [Transaction], Version, [Date], [Time], Used, "
                                   "InterchangeControlNumber, GroupControlNumber, FunctionalGroup, SenderID, "
                                   "SenderDivision, ReceiverID, ReceiverDivision, Direction, Acknowledged, "
                                   "Status, TSet"_s;
    return columns;
}

// The 17 mailbox values of the record set's row, each text with its length
// and a Null as a mark no length can start with, so two different rows (a
// Null and an empty text among them) never give the same bytes.
QByteArray rowContent(ado::Recordset &rs)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char *name : {"Partner", "Transaction", "Version", "Date", "Time", "Used", "InterchangeControlNumber",
                             "GroupControlNumber", "FunctionalGroup", "SenderID", "SenderDivision", "ReceiverID",
                             "ReceiverDivision", "Direction", "Acknowledged", "Status", "TSet"}) {
        const vb::Variant v = rs(QString::fromLatin1(name)).Value();
        if (v.isNull()) {
            hash.addData(QByteArrayView("N"));
            continue;
        }
        const QByteArray bytes = v.toString().toUtf8();
        hash.addData(QByteArray::number(bytes.size()) + ':');
        hash.addData(bytes);
    }
    return hash.result();
}

SendFiles &sendFiles()
{
    static SendFiles files;
    return files;
}

QString text(ado::Recordset &rs, const QString &name)
{
    const vb::Variant v = rs(name).Value();
    return v.isNull() ? QString() : v.toString();
}

struct Set {
    qint64 rowid;
    QString text;
    QByteArray content;
};

struct Group {
    QString number, receiverDivision, senderDivision;
    std::vector<Set> sets;
};

struct Interchange {
    QString partner, number, receiverId, senderId;
    std::vector<Group> groups;
};

// The first row of an envelope table for the partner and the conditions; 3021 naming what is missing.
std::vector<QString> envelopeRow(const QString &table, const QString &partner,
                                 const std::vector<std::pair<QString, QString>> &where, int first, int last)
{
    QString statement = u"SELECT * FROM "_s + table + u" WHERE Partner = "_s + ado::SqlText(partner);
    for (const auto &[column, value] : where)
        statement += u" AND "_s + column + u" = "_s + ado::SqlText(value);
    ado::Recordset rs;
    rs.Open(statement, *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof()) {
        QStringList conditions;
        for (const auto &[column, value] : where)
            conditions << column + u" = "_s + value;
        vb::raise(3021, u"No "_s + table + u" row of partner "_s + partner + u" with "_s + conditions.join(u", "_s)
                            + u": the send file cannot be written"_s);
    }
    std::vector<QString> values;
    for (int i = first; i <= last; ++i)
        values.push_back(text(rs, table + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))));
    return values;
}

// A name in `folder` from the clock's stamp that no file has: the next
// second's stamp while one is taken.
QString freshName(const QString &folder, QDateTime at, bool upper)
{
    for (int tries = 0; tries < 100000; ++tries, at = at.addSecs(1)) {
        QString name = core::x12::interchangeFileStem(at, true) + u".OC"_s;
        if (upper)
            name = name.toUpper();
        const QString path = folder + u'/' + name;
        if (!QFileInfo::exists(path))
            return path;
    }
    vb::raise(58, u"File already exists: no free send-file name in "_s + folder);
}

} // namespace

SendFile writeSendFile(const QDateTime &nowArg)
{
    if (!modGlobal::cnDatabase)
        vb::raise(3709);
    const QDateTime now = nowArg.isValid() ? nowArg : vb::currentDateTime();

    // The Outbox as interchanges of groups of sets, in the order rows were stored.
    std::vector<Interchange> interchanges;
    {
        ado::Recordset rs;
        rs.Open(u"SELECT rowid AS RowNumber, * FROM Outbox ORDER BY rowid"_s, *modGlobal::cnDatabase,
                ado::adOpenForwardOnly, ado::adLockReadOnly);
        if (rs.Eof())
            vb::raise(3021, u"The Outbox is empty: there is nothing to send"_s);
        for (; !rs.Eof(); rs.MoveNext()) {
            const QString partner = text(rs, u"Partner"_s), icn = text(rs, u"InterchangeControlNumber"_s);
            const QString receiverId = text(rs, u"ReceiverID"_s), senderId = text(rs, u"SenderID"_s);
            auto ic = std::find_if(interchanges.begin(), interchanges.end(), [&](const Interchange &i) {
                return i.partner == partner && i.number == icn && i.receiverId == receiverId && i.senderId == senderId;
            });
            if (ic == interchanges.end())
                ic = interchanges.insert(interchanges.end(), Interchange{partner, icn, receiverId, senderId, {}});
            const QString gcn = text(rs, u"GroupControlNumber"_s);
            const QString rd = text(rs, u"ReceiverDivision"_s), sd = text(rs, u"SenderDivision"_s);
            auto group = std::find_if(ic->groups.begin(), ic->groups.end(), [&](const Group &g) {
                return g.number == gcn && g.receiverDivision == rd && g.senderDivision == sd;
            });
            if (group == ic->groups.end())
                group = ic->groups.insert(ic->groups.end(), Group{gcn, rd, sd, {}});
            group->sets.push_back(
                Set{qint64(rs(u"RowNumber"_s).Value().toDouble()), text(rs, u"TSet"_s), rowContent(rs)});
        }
    }

    QString content;
    SendFile file;
    for (const Interchange &ic : interchanges) {
        const QString t = modGlobal::GetSegmentTerminator(ic.partner);
        const QString s = modGlobal::GetElementSeparator(ic.partner);
        if (t.isEmpty() || s.isEmpty())
            vb::raise(3021, u"Partner "_s + ic.partner
                                + u" has no Partner row with a segment terminator and element separator: "
                                  "the send file cannot be written"_s);
        const std::vector<QString> isa = envelopeRow(
            u"ISA"_s, ic.partner, {{u"ISA13"_s, ic.number}, {u"ISA06"_s, ic.receiverId}, {u"ISA08"_s, ic.senderId}}, 1,
            16);
        const std::vector<QString> iea = envelopeRow(u"IEA"_s, ic.partner, {{u"IEA02"_s, ic.number}}, 2, 2);
        content += u"ISA"_s;
        for (const QString &value : isa)
            content += s + value;
        content += t;
        for (const Group &g : ic.groups) {
            const std::vector<QString> gs = envelopeRow(
                u"GS"_s, ic.partner,
                {{u"GS06"_s, g.number}, {u"GS02"_s, g.receiverDivision}, {u"GS03"_s, g.senderDivision}}, 1, 8);
            const std::vector<QString> ge = envelopeRow(u"GE"_s, ic.partner, {{u"GE02"_s, g.number}}, 2, 2);
            content += u"GS"_s;
            for (const QString &value : gs)
                content += s + value;
            content += t;
            for (const Set &set : g.sets) {
                if (const qsizetype bad = vb::firstOutsideWindows1252(set.text); bad >= 0)
                    vb::raise(5, u"Invalid procedure call or argument: Outbox row "_s + QString::number(set.rowid)
                                     + u", field TSet: "_s + vb::notInWindows1252(set.text[bad].unicode())
                                     + u"; the send file was not written"_s);
                content += set.text;
                file.rowids.push_back(set.rowid);
                file.contents.push_back(set.content);
            }
            content += u"GE"_s + s + QString::number(qint64(g.sets.size())) + s + ge[0] + t;
        }
        content += u"IEA"_s + s + QString::number(qint64(ic.groups.size())) + s + iea[0] + t;
    }

    // Written whole under a temporary name; a name that is taken is never replaced.
    const QString folder = core::OutboundFolder();
    QDir().mkpath(folder);
    file.path = freshName(folder, now, false);
    const QByteArray bytes = vb::toWindows1252(content, file.path);
    vb::writeFileAtomically(file.path, [&](QIODevice &out) { out.write(bytes); }, 75);
    SendFiles &files = sendFiles();
    files.byPath[QFileInfo(file.path).absoluteFilePath()] = file;
    files.last = QFileInfo(file.path).absoluteFilePath();
    files.ofRun.append(files.last);
    return file;
}

const SendFile *knownSendFile(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    const auto found = sendFiles().byPath.find(QFileInfo(path).absoluteFilePath());
    return found == sendFiles().byPath.end() ? nullptr : &found->second;
}

const SendFile *lastSendFile()
{
    return knownSendFile(sendFiles().last);
}

void beginSendRun()
{
    sendFiles().last.clear();
    sendFiles().ofRun.clear();
    sendFiles().movedInRun = 0;
    sendFiles().moveFailed.clear();
}

bool sendRunMovedRows()
{
    return sendFiles().movedInRun > 0;
}

QStringList discardSendRunFiles()
{
    SendFiles &files = sendFiles();
    QStringList removed;
    for (const QString &path : std::as_const(files.ofRun)) {
        // The one copy of sets already in Sent that could not follow them stays.
        if (path == files.moveFailed)
            continue;
        if (QFileInfo(path).isFile() && QFile::remove(path))
            removed << path;
        files.byPath.erase(path);
    }
    files.ofRun.clear();
    return removed;
}

QString WriteOutBoxToFile()
{
    try {
        return QFileInfo(writeSendFile().path).fileName();
    } catch (const vb::VbError &error) {
        LogExchange(u"Error"_s, error.description);
    } catch (const std::exception &error) {
        LogExchange(u"Error"_s, QString::fromUtf8(error.what()));
    }
    return {};
}

void CreateOutboundEDI(clsExchange &exchange)
{
    exchange.LocaleFile = core::OutboundFolder() + u'/' + WriteOutBoxToFile();
}

QString GetOutboundEDI(clsExchange &exchange, const std::function<void(const QString &)> &session)
{
    try {
        CreateOutboundEDI(exchange);
        QFile file(exchange.LocaleFile);
        if (!QFileInfo(exchange.LocaleFile).isFile() || !file.open(QIODevice::ReadOnly))
            vb::raise(53, u"File not found: "_s + exchange.LocaleFile);
        return vb::fromWindows1252(file.readAll());
    } catch (const std::exception &error) {
        const QString text = dynamic_cast<const vb::VbError *>(&error)
            ? static_cast<const vb::VbError &>(error).description
            : QString::fromUtf8(error.what());
        LogExchange(u"Error"_s, text);
        if (session)
            session(text + u"\r\n"_s);
    }
    return {};
}

bool MoveOutToSent(clsExchange &exchange)
{
    try {
        if (!modGlobal::cnDatabase)
            vb::raise(3709);
        ado::Connection &cn = *modGlobal::cnDatabase;
        {
            ado::Recordset outbox;
            outbox.Open(u"SELECT count(*) AS n FROM Outbox"_s, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
            if (outbox(u"n"_s).Value().toLong() == 0)
                return false;
        }
        const SendFile *sent = knownSendFile(exchange.LocaleFile);
        if (!sent)
            sent = lastSendFile();
        if (!sent) {
            LogExchange(u"Error"_s, u"No send file was written: nothing was moved to Sent"_s);
            return false;
        }
        // The file is checked before any row moves.
        if (!QFileInfo(sent->path).isFile())
            vb::raise(53, u"File not found: "_s + sent->path + u": nothing was moved to Sent"_s);
        const SendFile file = *sent;

        QStringList rowids;
        for (qint64 rowid : file.rowids)
            rowids << QString::number(rowid);
        const QString &columns = mailboxColumns();
        qint64 moved = 0;
        {
            // On the disk before the file moves: after a power cut the sets
            // are never back in the Outbox while their file is in Sent.
            ado::Transaction tx(cn, ado::Durability::Synced);
            // Only the rows that still hold what the file holds: a row deleted
            // since and a new row given its id stay where they are.
            std::map<qint64, QByteArray> expected;
            for (std::size_t i = 0; i < file.rowids.size(); ++i)
                expected[file.rowids[i]] = i < file.contents.size() ? file.contents[i] : QByteArray();
            QStringList same;
            if (!rowids.isEmpty()) {
                ado::Recordset rs;
                rs.Open(u"SELECT rowid AS RowNumber, "_s + columns + u" FROM Outbox WHERE rowid IN ("_s
                            + rowids.join(u',') + u')',
                        cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
                for (; !rs.Eof(); rs.MoveNext()) {
                    const qint64 rowid = qint64(rs(u"RowNumber"_s).Value().toDouble());
                    const auto found = expected.find(rowid);
                    if (found != expected.end() && found->second == rowContent(rs))
                        same << QString::number(rowid);
                }
            }
            if (!same.isEmpty()) {
                const QString where = u" WHERE rowid IN ("_s + same.join(u',') + u')';
                cn.Execute(u"INSERT INTO Sent ("_s + columns + u") SELECT "_s + columns + u" FROM Outbox"_s + where
                           + u" ORDER BY rowid"_s);
                cn.Execute(u"DELETE FROM Outbox"_s + where);
                moved = same.size();
            }
            tx.commit();
        }
        sendFiles().movedInRun += moved;
        if (moved > 0)
            sendFiles().moveFailed = QFileInfo(file.path).absoluteFilePath();
        if (const auto &refresh = modGlobal::mainWindowLink().RefreshBox) {
            refresh(u"Outbox"_s);
            refresh(u"Sent"_s);
        }

        // Only the file's name is upper-cased, never the folder.
        const QString folder = sections::folder(u"Sent"_s);
        QDir().mkpath(folder);
        const QString target = freshName(folder, vb::currentDateTime(), true);
        if (!QFile::rename(file.path, target))
            vb::raise(75, u"Path/File access error: "_s + file.path + u" could not be moved to "_s + target
                              + u"; the sets are in Sent"_s);
        sendFiles().byPath.erase(QFileInfo(file.path).absoluteFilePath());
        sendFiles().moveFailed.clear();
        // Both names (the one taken, the one given) last through a power cut.
        for (const QString &changed : {QFileInfo(target).absolutePath(), QFileInfo(file.path).absolutePath()}) {
            if (QString reason; !vb::syncFolder(changed, &reason))
                vb::raise(75, u"Path/File access error: "_s + target + u": "_s + reason);
        }
        return true;
    } catch (const vb::VbError &error) {
        LogExchange(u"Error"_s, error.description);
    } catch (const std::exception &error) {
        LogExchange(u"Error"_s, QString::fromUtf8(error.what()));
    }
    return true;
}

} // namespace communications

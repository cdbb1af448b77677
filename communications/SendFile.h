#pragma once
// The send file: every transaction set waiting in the Outbox, written as
// interchanges rebuilt from the envelope rows the loader stored, and the move
// of exactly those sets (and the file) to Sent once a send run has sent it.
//
// The writer remembers which Outbox rows each send file holds, so a move
// never takes rows loaded after the file was written; no send file or Sent
// file ever replaces another.

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace communications {

class clsExchange;

struct SendFile {
    QString path;                     // full path in the Outbound folder
    std::vector<qint64> rowids;       // the Outbox rows it holds
    // What each of those rows held when the file was written: SQLite gives a
    // deleted row's id to the next row added, so an id alone could name
    // another set by the time the rows move.
    std::vector<QByteArray> contents;
};

// Writes the send file at the time `now` (the clock by default); raises on
// any failure, leaving no file behind. An empty Outbox raises 3021.
SendFile writeSendFile(const QDateTime &now = {});

// The send file a path names (written in this program's life), or nullptr.
const SendFile *knownSendFile(const QString &path);
// The last send file written since beginSendRun(), or nullptr.
const SendFile *lastSendFile();
// A send run begins: "the last send file" is one this run writes.
void beginSendRun();
// Whether MoveOutToSent moved any row since beginSendRun().
bool sendRunMovedRows();
// The end of a send run: the send files it wrote that are still in the
// Outbound folder are removed (a copy of what went to Sent, or sets that stay
// in the Outbox and that the next run writes again), so a script that uploads
// the folder's files never sends them twice. Only a file whose sets went to
// Sent but which could not be moved there stays. Returns the paths removed.
QStringList discardSendRunFiles();

// The script members. Each records its own failure in the Exchange log and
// returns its neutral result.
// The send file's name without folder; "" on failure.
QString WriteOutBoxToFile();
// Exchange.LocaleFile := Outbound folder & "/" & WriteOutBoxToFile().
void CreateOutboundEDI(clsExchange &exchange);
// As CreateOutboundEDI, then the file's whole text ("" on failure; the
// error's text also goes to `session`).
QString GetOutboundEDI(clsExchange &exchange, const std::function<void(const QString &)> &session = {});
// Moves the rows of the send file Exchange.LocaleFile names (or the last one
// written in the run) to Sent in one transaction, refreshes the Outbox and
// Sent lists, and moves the file into the Sent folder under a new name.
// False when the Outbox is empty or no send file was written (recorded);
// True otherwise, also after a recorded failure of the file move.
bool MoveOutToSent(clsExchange &exchange);

} // namespace communications

#pragma once
// What the properties sheet shows of one mailbox row: the row found by its
// rowid, its standard description, the partner's delimiters in three
// notations and its interchange and group envelope values.

#include <QString>
#include <QStringList>
#include <array>

namespace ado {
class Connection;
}

namespace settings {

// A delimiter as the sheet shows it: the character, "(" decimal code ")" and
// two-digit upper-case hexadecimal, all of its first character. A segment
// terminator of CR LF shows two tabs, a lone CR one tab. An empty delimiter
// raises 5: it has no code to show.
struct DelimiterCells {
    QString chr;
    QString dec;
    QString hex;
    bool operator==(const DelimiterCells &) const = default;
};
DelimiterCells delimiterCells(const QString &delimiter, bool isTerminator);

// "###,###,###,###" of the character count, then " bytes".
QString sizeText(qint64 characters);

// "Inbound" for "I", "Outbound" for "O", else empty.
QString directionText(const QString &direction);

struct PropertiesData {
    QString location;
    QString partner;
    QString transactionSet;
    QString description;
    QString status;
    QString acknowledged;
    QString direction;
    QString size;
    DelimiterCells segment;
    DelimiterCells element;
    DelimiterCells sub;
    std::array<QString, 15> isa; // ISA01 .. ISA15
    std::array<QString, 8> gs;   // GS01 .. GS08
};

// Fills data step by step for the row of table (Inbox, Outbox, Sent or
// Recycled) with this rowid. A failing step raises and leaves what was filled
// before it; a row that is gone raises 3021 with a message saying so.
// Of several envelope rows with the row's number and partner, the one of the
// row's direction is shown, else the first.
void readProperties(ado::Connection &connection, const QString &table, qint64 rowid, PropertiesData &data);

} // namespace settings

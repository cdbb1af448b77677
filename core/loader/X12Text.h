#pragma once
// Small text routines of the interchange loader, validator and 997 writer:
// cutting X12 text at its delimiters, the numbers and dates of envelope
// segments, re-delimiting a set, and the fixed formats of their messages.

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <vector>

namespace core::x12 {

// Cuts `text` at every occurrence of `delimiter`. With ignoreCase the
// delimiter matches without regard to letter case (the loader's way); the
// other routines cut exactly. An empty delimiter gives the whole text as one
// piece; an empty text gives one empty piece.
std::vector<QStringView> cut(QStringView text, QStringView delimiter, bool ignoreCase);
// The same, into an existing vector (reused by hot loops).
void cutInto(std::vector<QStringView> &pieces, QStringView text, QStringView delimiter, bool ignoreCase);

// The same on 8-bit text (the loader reads its file as bytes, one per
// character, and converts only what it keeps).
void cutInto(std::vector<QByteArrayView> &pieces, QByteArrayView text, QByteArrayView delimiter, bool ignoreCase);
// The number of pieces `cut` would give, without making them.
qsizetype countPieces(QByteArrayView text, QByteArrayView delimiter, bool ignoreCase);
// The piece that starts at `position`; `position` moves past its delimiter
// (to text.size() + 1 after the last piece).
QByteArrayView nextPiece(QByteArrayView text, qsizetype &position, QByteArrayView delimiter, bool ignoreCase);

// The position after the line break (CR LF, LF or CR, any number of them)
// and the blanks and tabs that indent the next line, when `position` starts
// a line break; `position` itself otherwise.
qsizetype skipLineBreak(QByteArrayView text, qsizetype position);

// The value of the leading numeric characters of a count element (leading
// blanks ignored, an optional sign, digits, an optional fraction); 0 for a
// text without them. Counts are compared this way, control numbers as text.
double leadingNumber(QStringView text);
double leadingNumber(QByteArrayView text);

// The mailbox `Date` of a group date GS04: 6 characters or fewer as
// month/day/two-digit year (yymmdd), longer as month/day/four-digit year.
QString groupDate(const QString &gs04);
// The mailbox `Time` of a group time GS05: "hh:mm" from 4 characters,
// "hh:mm:ss" from 6 or 8 (hundredths dropped), any other length as received;
// a result that is no valid time gives `now` as "HH:MM" (24-hour) instead.
QString groupTime(const QString &gs05, const QDateTime &now);
// A time of day such as "9:05", "09:05:30" or "9:05 PM".
bool isValidTime(QStringView text);

// `set` with every file terminator replaced by `terminator` and every file
// element separator by `separator`, in one pass over the original text, so a
// partner delimiter that equals the other file delimiter cannot be replaced
// twice. An empty partner delimiter (a failed look-up) keeps the file's.
QString redelimit(const QString &set, const QString &fileTerminator, const QString &fileSeparator,
                  const QString &terminator, const QString &separator);
// False when redelimit would return the set as it is.
bool redelimitChanges(const QString &fileTerminator, const QString &fileSeparator, const QString &terminator,
                      const QString &separator);

// 8-bit text (one character a byte, in the code page 1252) as UTF-8: `bytes`
// itself when it is all ASCII, otherwise its conversion, made in `scratch`.
QByteArrayView windows1252AsUtf8(QByteArrayView bytes, QByteArray &scratch);

// Where character `position` of an interchange's text is, for a message:
// "segment 5 (BEG), element BEG03" (element 0 is the identifier), with the
// delimiters at the ISA's fixed places; "position 181" when the text starts
// with no whole ISA.
QString placeInInterchange(QStringView text, qsizetype position);
// The same within one segment with element separator `separator`: "BEG03".
QString elementAt(QStringView segment, QStringView separator, qsizetype position);

// Position (0-based) of `word` in `text` at or after `from`, as a whole word
// and without regard to letter case, as the preview's find does; -1 when absent.
int findWholeWord(QStringView text, QStringView word, int from);

// "###0": a whole number without leading zeros (half to even).
QString percentText(double percent);
// "000000000": a control number with nine digits.
QString nineDigits(qint64 number);

// The name the program gives an interchange file it writes, from the time of
// writing: "mmddyy-hhmmss AMPM" (acknowledgements, outbound runs) or with
// `sendFile` "mmddyy-hhmmss-AMPM" (the send file); without the extension.
QString interchangeFileStem(const QDateTime &at, bool sendFile = false);

} // namespace core::x12

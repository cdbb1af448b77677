#pragma once
// The one field splitter of the order and stock readers.

#include <QString>
#include <QStringView>
#include <vector>

namespace lorvanne {

struct CsvValue {
    QString text;
    bool quoted = false; // the value stood in double quotes (even when empty)
};

// Splits one line at its commas. A value that begins with a double quote runs
// to its closing quote and may hold commas; two double quotes inside it are
// one quote; text between the closing quote and the next comma is kept. A
// quote inside an unquoted value is an ordinary character. A line without a
// comma is one value; a line ending with a comma has an empty last value.
// Raises vb::VbError when a quoted value has no closing quote.
std::vector<CsvValue> splitCsvLine(QStringView line);

} // namespace lorvanne

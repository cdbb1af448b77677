#include "Csv.h"

#include "vb/VbError.h"

namespace lorvanne {

std::vector<CsvValue> splitCsvLine(QStringView line)
{
    std::vector<CsvValue> values;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        CsvValue value;
        if (i < n && line[i] == QLatin1Char('"')) {
            value.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i++];
                if (c != QLatin1Char('"')) {
                    value.text += c;
                } else if (i < n && line[i] == QLatin1Char('"')) {
                    value.text += c;
                    ++i;
                } else {
                    closed = true;
                    break;
                }
            }
            if (!closed)
                vb::raise(5, QStringLiteral("Unterminated quoted value: value %1 has no closing double quote")
                                 .arg(values.size() + 1));
        }
        const qsizetype comma = line.indexOf(QLatin1Char(','), i);
        const qsizetype end = comma < 0 ? n : comma;
        value.text += line.mid(i, end - i);
        values.push_back(std::move(value));
        if (comma < 0)
            break;
        i = comma + 1;
    }
    return values;
}

} // namespace lorvanne

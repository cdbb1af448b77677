#pragma once
// Readable GoogleTest output for Qt texts. Included into every test source by
// the harness target (a forced include), so every file prints them alike.

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray &b, std::ostream *os)
{
    *os << '"';
    for (char c : b) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\') {
            *os << c;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            *os << "\\x" << hex[u >> 4] << hex[u & 15];
        }
    }
    *os << '"';
}

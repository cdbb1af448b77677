#pragma once
// A generated planning-schedule interchange of the size a busy partner sends:
// one interchange, `groups` groups, `sets` transaction sets of about 1 KB
// each (header, ship-to, one item with twenty forecast lines). Written a set
// at a time, so a file of a gigabyte needs no more memory than one set.

#include <QByteArray>
#include <QIODevice>

inline void writeGeneratedInterchange(QIODevice &out, qint64 sets, int groups)
{
    const char t = '~';
    QByteArray text;
    text.reserve(64 * 1024);
    auto flush = [&](bool always) {
        if (always || text.size() > 60 * 1024) {
            out.write(text);
            text.resize(0);
        }
    };
    text += "ISA*00*          *00*          *ZZ*BENCHPARTNER   *ZZ*CORVANTIS      *261210*1200*U*00401*000000001*0*P*>";
    text += t;
    const qint64 perGroup = (sets + groups - 1) / groups;
    qint64 written = 0;
    for (int g = 1; g <= groups; ++g) {
        const qint64 inGroup = qMin(perGroup, sets - written);
        text += "GS*PS*BENCHAPP*CORVAPP*20261210*1200*" + QByteArray::number(g) + "*X*004010";
        text += t;
        for (qint64 s = 0; s < inGroup; ++s) {
            const QByteArray number = QByteArray::number(++written);
            const QByteArray control = QByteArray(qMax<qsizetype>(0, 9 - number.size()), '0') + number;
            int segments = 0;
            auto seg = [&](const QByteArray &segment) {
                text += segment;
                text += t;
                ++segments;
            };
            seg("ST*830*" + control);
            seg("BFR*05*REL" + number + "**DL*A*20261201*20270301*20261210");
            seg("N1*ST*BENCH ASSEMBLY PLANT NUMBER 2*92*PLANT02");
            seg("N3*4100 INDUSTRIAL PARKWAY*BUILDING C DOCK 14");
            seg("N4*SPRINGFIELD*OH*45502*US");
            const QByteArray part = QByteArray::number(written % 997);
            seg("LIN**BP*PART-" + QByteArray(5 - part.size(), '0') + part + "*PO*4500012345*EC*REV-C");
            seg("UIT*EA");
            seg("ATH*PQ*20261201*1200**20261101");
            for (int week = 0; week < 20; ++week)
                seg("FST*" + QByteArray::number(100 + week * 25) + "*C*W*2026" + QByteArray::number(1201 + week)
                    + "*20261231*002*08:00");
            seg("SDP*Y*Y");
            seg("CTT*1*2500");
            seg("SE*" + QByteArray::number(segments + 1) + "*" + control);
            flush(false);
        }
        text += "GE*" + QByteArray::number(inGroup) + "*" + QByteArray::number(g);
        text += t;
    }
    text += "IEA*" + QByteArray::number(groups) + "*000000001";
    text += t;
    flush(true);
}

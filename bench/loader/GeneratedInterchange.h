#pragma once
// A generated planning-schedule interchange of the size a busy partner sends:
// one interchange, `groups` groups, `sets` transaction sets of about 1 KB
// each (header, ship-to, one item with twenty forecast lines).

#include <QString>

inline QString generatedInterchange(int sets, int groups)
{
    const QString t = QStringLiteral("~");
    QString text;
    text.reserve(qsizetype(sets) * 1100 + 4096);
    text += QStringLiteral("ISA*00*          *00*          *ZZ*BENCHPARTNER   *ZZ*CORVANTIS      *261210*1200*U*00401*000000001*0*P*>") + t;
    const int perGroup = (sets + groups - 1) / groups;
    int written = 0;
    for (int g = 1; g <= groups; ++g) {
        const int inGroup = qMin(perGroup, sets - written);
        text += QStringLiteral("GS*PS*BENCHAPP*CORVAPP*20261210*1200*%1*X*004010").arg(g) + t;
        for (int s = 0; s < inGroup; ++s) {
            const QString control = QStringLiteral("%1").arg(++written, 9, 10, QLatin1Char('0'));
            int segments = 0;
            auto seg = [&](const QString &segment) {
                text += segment;
                text += t;
                ++segments;
            };
            seg(QStringLiteral("ST*830*") + control);
            seg(QStringLiteral("BFR*05*REL%1**DL*A*20261201*20270301*20261210").arg(written));
            seg(QStringLiteral("N1*ST*BENCH ASSEMBLY PLANT NUMBER 2*92*PLANT02"));
            seg(QStringLiteral("N3*4100 INDUSTRIAL PARKWAY*BUILDING C DOCK 14"));
            seg(QStringLiteral("N4*SPRINGFIELD*OH*45502*US"));
            seg(QStringLiteral("LIN**BP*PART-%1*PO*4500012345*EC*REV-C").arg(written % 997, 5, 10, QLatin1Char('0')));
            seg(QStringLiteral("UIT*EA"));
            seg(QStringLiteral("ATH*PQ*20261201*1200**20261101"));
            for (int week = 0; week < 20; ++week)
                seg(QStringLiteral("FST*%1*C*W*2026%2*20261231*002*08:00").arg(100 + week * 25).arg(1201 + week, 4, 10, QLatin1Char('0')));
            seg(QStringLiteral("SDP*Y*Y"));
            seg(QStringLiteral("CTT*1*%1").arg(2500));
            seg(QStringLiteral("SE*%1*").arg(segments + 1) + control);
        }
        text += QStringLiteral("GE*%1*%2").arg(inGroup).arg(g) + t;
    }
    text += QStringLiteral("IEA*%1*000000001").arg(groups) + t;
    return text;
}

#include "partners/EnvelopePreview.h"

#include "core/modGlobal.h"

#include "vb/Format.h"
#include "vb/VbError.h"

namespace partners {

namespace {

QString character(int code)
{
    if (code < 0 || code > 255)
        vb::raise(5, QStringLiteral("Invalid delimiter code: ") + QString::number(code));
    return QString(QChar(code));
}

QString nineDigits(qint64 n)
{
    return vb::Format(vb::Variant(double(n)), QStringLiteral("000000000"));
}

} // namespace

ClockTexts clockTexts(const vb::Variant &now, const QString &gs08)
{
    ClockTexts t;
    t.ISA09 = vb::Format(now, QStringLiteral("yymmdd"));
    t.ISA10 = vb::Format(now, QStringLiteral("hhnn"));
    if (!gs08.isEmpty()) {
        // The builder's rule, so the preview shows what will be sent.
        const bool longForms = modGlobal::UsesLongGroupDate(gs08).value_or(false);
        t.GS04 = vb::Format(now, modGlobal::GroupDatePattern(longForms));
        t.GS05 = vb::Format(now, modGlobal::GroupTimePattern(longForms));
    }
    return t;
}

QString envelopePreview(const PartnerRow &p, const PreviewSet &set, const vb::Variant &now)
{
    const QString t = p.Segment == 0 ? QString() : character(p.Segment);
    const QString e = character(p.element);
    const QString s = character(p.sub);
    const QString end = t + QStringLiteral("\r\n");
    const ClockTexts clock = clockTexts(now, set.version);

    const QString sender = set.inbound ? p.ISA08 : p.ISA06;
    const QString receiver = set.inbound ? p.ISA06 : p.ISA08;
    const QString senderCode = set.inbound ? p.GS03 : p.GS02;
    const QString receiverCode = set.inbound ? p.GS02 : p.GS03;
    const QString control = nineDigits(set.controlNumber);

    QString text;
    text += QStringLiteral("ISA") + e + p.ISA01 + e + p.ISA02 + e + p.ISA03 + e + p.ISA04 + e + p.ISA05 + e + sender
        + e + p.ISA07 + e + receiver + e + clock.ISA09 + e + clock.ISA10 + e + p.ISA11 + e + p.ISA12 + e
        + nineDigits(p.ISA13) + e + p.ISA14 + e + p.ISA15 + e + s + end;
    text += QStringLiteral("\tGS") + e + set.group + e + senderCode + e + receiverCode + e + clock.GS04.value_or(QString())
        + e + clock.GS05.value_or(QString()) + e + nineDigits(p.GS06) + e + p.GS07 + e + set.version + end;
    text += QStringLiteral("\t\tST") + e + set.transaction + e + control + end;
    text += QStringLiteral("\t\tSE") + e + QStringLiteral("1") + e + control + end;
    text += QStringLiteral("\tGE") + e + QStringLiteral("1") + e + nineDigits(p.GS06) + end;
    text += QStringLiteral("IEA") + e + QStringLiteral("1") + e + nineDigits(p.ISA13);
    return text;
}

} // namespace partners

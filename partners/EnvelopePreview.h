#pragma once
// The envelope preview of the partner window and its clock: what an
// interchange for the partner and one of its sets would be enveloped with,
// built from the stored row, the set and a moment. Nothing here is stored.

#include "partners/PartnerStore.h"

#include "vb/Variant.h"

#include <QString>
#include <optional>

namespace partners {

struct PreviewSet {
    bool inbound = true;
    QString transaction;  // the set identifier (ST01)
    QString group;        // GS01
    QString version;      // GS08
    qint64 controlNumber = 0;
};

// The date and time boxes at a moment: ISA09 "yymmdd", ISA10 "hhnn"; GS04
// and GS05 in the forms the version (GS08) asks for, left as they are
// (nullopt) while no version is shown. An odd or short version text gets the
// short forms.
struct ClockTexts {
    QString ISA09, ISA10;
    std::optional<QString> GS04, GS05;
};
ClockTexts clockTexts(const vb::Variant &now, const QString &gs08);

// The six lines of the preview. For an inbound set the sender and receiver
// identifiers and codes change places; the qualifiers stay. Raises 5 for a
// delimiter code outside 0..255.
QString envelopePreview(const PartnerRow &partner, const PreviewSet &set, const vb::Variant &now);

} // namespace partners

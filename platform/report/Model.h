#pragma once
// The report model: five kinds of section, each a band of objects placed in
// twips; text, field and special-field objects; the field list the report is
// designed against (from its field definition file) and, for a report saved
// with its data, the rows themselves.

#include "vb/Variant.h"

#include <QColor>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace report {

// Errors the engine raises (vb::VbError numbers): a report file or field
// definition file that cannot be read or written, an export that is refused.
constexpr int ErrReportFile = 20500;
constexpr int ErrExportRefused = 20501;

enum class SectionKind { ReportHeader = 0, PageHeader, Detail, PageFooter, ReportFooter };
constexpr int SectionCount = 5;

enum class ObjectKind { Text, Field, Special };

// What a special field shows. The engine numbers of the two kinds that new
// reports carry map here: 5 the print date, 17 "Page n of m".
enum class SpecialKind { PrintDate, PrintTime, PageNumber, PageCount, PageNofM, RecordNumber, ReportTitle };
SpecialKind specialKindFromEngineCode(int code); // raises 5 for a code the engine does not know

enum class Align { Left, Center, Right };

struct Font {
    QString family = QStringLiteral("Arial");
    double size = 10;          // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool operator==(const Font &) const = default;
};

struct ReportObject {
    ObjectKind kind = ObjectKind::Text;
    QString name;
    int left = 0, top = 0, width = 1440, height = 240; // twips, relative to the section
    QString text;              // Text
    QString field;             // Field: the field name
    QString format;            // Field: a Format pattern, empty for the plain text form
    SpecialKind special = SpecialKind::PageNumber;
    Font font;
    QColor color = Qt::black;
    Align align = Align::Left;
    int borderStyle = 0;       // 0 none, 1 a single line
    QColor borderColor = Qt::black;
    bool operator==(const ReportObject &) const = default;
};

struct Section {
    int height = 0;            // twips; 0 hides the section
    std::vector<ReportObject> objects;
    bool operator==(const Section &) const = default;
};

// One field of the data the report is designed against.
struct FieldDef {
    QString name;
    int type = 200;            // ADO data type number
    long size = 0;             // defined size
    int precision = 0;
    int scale = 0;
    bool operator==(const FieldDef &) const = default;
};

struct PageSetup {
    int width = 12240, height = 15840; // US Letter, portrait
    int marginLeft = 720, marginTop = 720, marginRight = 720, marginBottom = 720;
    bool operator==(const PageSetup &) const = default;
};

// Rows kept in a report file by a "report with data" export, with the fields
// they were read under.
struct SavedData {
    std::vector<FieldDef> fields;
    std::vector<std::vector<vb::Variant>> rows;
};

struct Report {
    QString title;
    PageSetup page;
    std::vector<FieldDef> fields;
    std::array<Section, SectionCount> sections;
    std::optional<SavedData> savedData;

    Section &section(SectionKind kind) { return sections[static_cast<int>(kind)]; }
    const Section &section(SectionKind kind) const { return sections[static_cast<int>(kind)]; }
    bool operator==(const Report &other) const;
};

// Classic colour numbers are &HBBGGRR.
QColor fromOleColor(long bgr);

// Field types by their ADO type numbers.
bool isNumericType(int adoType);
bool isDateType(int adoType);
bool isBooleanType(int adoType);
bool isCurrencyType(int adoType);

// The text a value shows in a report and in the text exports: Null and Empty
// as nothing, everything else as the classic text form, or by `format`.
QString displayText(const vb::Variant &value, const QString &format = {});

QString sectionKindName(SectionKind kind);
QString specialKindName(SpecialKind kind);

} // namespace report

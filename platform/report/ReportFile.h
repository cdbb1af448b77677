#pragma once
// Report files (".RPT"): the model as indented JSON with sorted keys, so a
// report compares line by line; field definition files (".ttx"): one field a
// line, name, type word and length separated by TAB. Both are written to a
// temporary name beside the target and renamed when complete.

#include "report/Model.h"

#include <QIODevice>
#include <functional>

namespace report {

// Writes through a temporary file in the target's folder that replaces the
// target only when `write` returned normally and every byte reached the file;
// an exception or a short write (a full disk) leaves the target (and the
// folder) as it was. Raises `errorNumber` naming the file and the system's
// reason when the file cannot be written (vb::writeFileAtomically).
void writeFileAtomically(const QString &path, const std::function<void(QIODevice &)> &write,
                         int errorNumber = ErrReportFile);

QByteArray reportToJson(const Report &report);
Report reportFromJson(const QByteArray &json, const QString &path = {});
void saveReport(const Report &report, const QString &path);
Report loadReport(const QString &path);

// The report file `fileName` in `folder`, found without regard to letter case
// (the exact spelling first); empty when there is none.
QString findReportFile(const QString &folder, const QString &fileName);

// The type word of an ADO type number in a field definition file.
QString fieldTypeWord(int adoType);
// The ADO type a type word stands for when a definition is read back.
int adoTypeOfWord(const QString &word);

QByteArray fieldDefinitionText(const std::vector<FieldDef> &fields);
void writeFieldDefinitionFile(const std::vector<FieldDef> &fields, const QString &path);
std::vector<FieldDef> readFieldDefinitionFile(const QString &path);

} // namespace report

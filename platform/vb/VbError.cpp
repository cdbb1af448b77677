#include "VbError.h"

#include <QHash>

namespace vb {

QString errorText(int32_t number)
{
    static const QHash<int32_t, QString> texts = {
        {3, "Return without GoSub"},
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {7, "Out of memory"},
        {9, "Subscript out of range"},
        {10, "This array is fixed or temporarily locked"},
        {11, "Division by zero"},
        {13, "Type mismatch"},
        {14, "Out of string space"},
        {17, "Can't perform requested operation"},
        {28, "Out of stack space"},
        {35, "Sub or Function not defined"},
        {48, "Error in loading DLL"},
        {51, "Internal error"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {54, "Bad file mode"},
        {55, "File already open"},
        {57, "Device I/O error"},
        {58, "File already exists"},
        {61, "Disk full"},
        {62, "Input past end of file"},
        {67, "Too many files"},
        {68, "Device unavailable"},
        {70, "Permission denied"},
        {71, "Disk not ready"},
        {74, "Can't rename with different drive"},
        {75, "Path/File access error"},
        {76, "Path not found"},
        {91, "Object variable not set"},
        {92, "For loop not initialized"},
        {93, "Invalid pattern string"},
        {94, "Invalid use of Null"},
        {322, "Can't create necessary temporary file"},
        {424, "Object required"},
        {429, "ActiveX component can't create object"},
        {430, "Class doesn't support Automation"},
        {432, "File name or class name not found during Automation operation"},
        {438, "Object doesn't support this property or method"},
        {440, "Automation error"},
        {445, "Object doesn't support this action"},
        {446, "Object doesn't support named arguments"},
        {447, "Object doesn't support current locale setting"},
        {448, "Named argument not found"},
        {449, "Argument not optional"},
        {450, "Wrong number of arguments or invalid property assignment"},
        {451, "Object not a collection"},
        {453, "Specified DLL function not found"},
        {455, "Code resource lock error"},
        {457, "This key is already associated with an element of this collection"},
        {458, "Variable uses an Automation type not supported in VBScript"},
        {462, "The remote server machine does not exist or is unavailable"},
        {481, "Invalid picture"},
        {500, "Variable is undefined"},
        {501, "Illegal assignment"},
        {502, "Object not safe for scripting"},
        {503, "Object not safe for initializing"},
        {504, "Object not safe for creating"},
        {505, "Invalid or unqualified reference"},
        {506, "Class not defined"},
        {507, "An exception occurred"},
        {16, "Expression too complex"},
        {18, "User interrupt occurred"},
        {20, "Resume without error"},
        {47, "Too many DLL application clients"},
        {49, "Bad DLL calling convention"},
        {59, "Bad record length"},
        {63, "Bad record number"},
        {321, "Invalid file format"},
        {335, "Could not access system registry"},
        {336, "Component not correctly registered"},
        {337, "Component not found"},
        {338, "Component did not run correctly"},
        {360, "Object already loaded"},
        {361, "Can't load or unload this object"},
        {363, "Control specified not found"},
        {364, "Object was unloaded"},
        {365, "Unable to unload within this context"},
        {380, "Invalid property value"},
        {381, "Invalid property array index"},
        {419, "Permission to use object denied"},
        {422, "Property not found"},
        {423, "Property or method not found"},
        {425, "Invalid object use"},
        {443, "Automation object does not have a default value"},
        {452, "Invalid ordinal"},
        {454, "Code resource not found"},
        {460, "Invalid Clipboard format"},
        {461, "Method or data member not found"},
        {463, "Class not registered on local machine"},
        {482, "Printer error"},
        {744, "Search text not found"},
        {5016, "Regular Expression object expected"},
        {5017, "Syntax error in regular expression"},
        {5018, "Unexpected quantifier"},
        {5019, "Expected ']' in regular expression"},
        {5020, "Expected ')' in regular expression"},
        {5021, "Invalid range in character set"},
        {32811, "Element not found"},
        {3021, "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record."},
        {3265, "Item cannot be found in the collection corresponding to the requested name or ordinal."},
        {3251, "Current Recordset does not support updating. This may be a limitation of the provider, or of the selected locktype."},
        {3704, "Operation is not allowed when the object is closed."},
        {3705, "Operation is not allowed when the object is open."},
        {-2147217887, "Multiple-step operation generated errors. Check each status value."},
    };
    auto it = texts.constFind(number);
    if (it != texts.constEnd())
        return *it;
    return QStringLiteral("Application-defined or object-defined error");
}

VbError::VbError(int32_t n, QString d, QString s)
    : number(n), description(d.isEmpty() ? errorText(n) : std::move(d)), source(std::move(s))
{
}

const char *VbError::what() const noexcept
{
    if (m_what.empty())
        m_what = (QString::number(number) + QLatin1Char(' ') + description).toStdString();
    return m_what.c_str();
}

QString VbError::recordedText() const
{
    return detail.isEmpty() ? description : description + QStringLiteral(" - ") + detail;
}

void raise(int32_t number, const QString &description, const QString &source)
{
    throw VbError(number, description, source);
}

} // namespace vb

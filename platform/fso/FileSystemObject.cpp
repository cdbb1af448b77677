#include "fso/FileSystemObject.h"
#include "fso/Dictionary.h"
#include "com/ClassRegistry.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace fso {

using com::Args;
using vb::Variant;

namespace {

// Days since 30 December 1899 with the time of day as the fraction, local time.
double oleDate(const QDateTime &dt)
{
    static const QDate epoch(1899, 12, 30);
    const double days = double(epoch.daysTo(dt.date()));
    const double fraction = dt.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? days + fraction : days - fraction;
}

Variant object(vb::ObjectPtr p) { return Variant(std::move(p)); }

IOMode ioMode(int32_t value)
{
    if (value != ForReading && value != ForWriting && value != ForAppending)
        vb::raise(5);
    return IOMode(value);
}

// Only 8-bit text files are written and read here; a request for a Unicode
// file gets a clear error instead of a file in another encoding.
void requireAnsi(bool unicode)
{
    if (unicode)
        vb::raise(5, QStringLiteral("Unicode text files are not supported; open the file as ASCII"));
}

QString absolute(const QString &path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

} // namespace

bool registerClasses()
{
    com::registerBuiltinClass(QStringLiteral("Scripting.FileSystemObject"),
                              [] { return std::make_shared<FileSystemObject>(); });
    com::registerBuiltinClass(QStringLiteral("Scripting.Dictionary"), [] { return std::make_shared<Dictionary>(); });
    return true;
}

com::DispatchTable<FileSystemObject> FileSystemObject::describe()
{
    com::DispatchTable<FileSystemObject> t(QStringLiteral("FileSystemObject"));
    // CreateTextFile(FileName, [Overwrite = True], [Unicode = False])
    t.method("CreateTextFile", 1, 3, [](FileSystemObject &, Args &a) {
        requireAnsi(a.toBool(2, false));
        return object(std::make_shared<TextStreamObject>(TextStream::create(a.required(0).toString(), a.toBool(1, true))));
    });
    // OpenTextFile(FileName, [IOMode = ForReading], [Create = False], [Format = TristateFalse])
    t.method("OpenTextFile", 1, 4, [](FileSystemObject &, Args &a) {
        const int32_t format = a.toLong(3, 0);
        if (format != 0 && format != -1 && format != -2)
            vb::raise(5);
        requireAnsi(format == -1);
        return object(std::make_shared<TextStreamObject>(
            TextStream::open(a.required(0).toString(), ioMode(a.toLong(1, ForReading)), a.toBool(2, false))));
    });
    t.method("FileExists", 1, 1, [](FileSystemObject &, Args &a) { return Variant(fileExists(a.required(0).toString())); });
    t.method("FolderExists", 1, 1, [](FileSystemObject &, Args &a) { return Variant(folderExists(a.required(0).toString())); });
    t.method("GetFile", 1, 1, [](FileSystemObject &, Args &a) {
        const QString path = a.required(0).toString();
        if (!fileExists(path))
            vb::raise(53);
        return object(std::make_shared<FileObject>(absolute(path)));
    });
    t.method("GetFolder", 1, 1, [](FileSystemObject &, Args &a) {
        const QString path = a.required(0).toString();
        if (!folderExists(path))
            vb::raise(76);
        return object(std::make_shared<FolderObject>(absolute(path)));
    });
    t.method("CreateFolder", 1, 1, [](FileSystemObject &, Args &a) {
        const QString path = a.required(0).toString();
        createFolder(path);
        return object(std::make_shared<FolderObject>(absolute(path)));
    });
    t.method("DeleteFile", 1, 2, [](FileSystemObject &, Args &a) {
        deleteFile(a.required(0).toString(), a.toBool(1, false));
        return Variant();
    });
    t.method("DeleteFolder", 1, 2, [](FileSystemObject &, Args &a) {
        deleteFolder(a.required(0).toString(), a.toBool(1, false));
        return Variant();
    });
    t.method("GetAbsolutePathName", 1, 1, [](FileSystemObject &, Args &a) {
        return Variant(getAbsolutePathName(a.required(0).toString()));
    });
    t.method("MoveFile", 2, 2, [](FileSystemObject &, Args &a) {
        moveFile(a.required(0).toString(), a.required(1).toString());
        return Variant();
    });
    t.method("CopyFile", 2, 3, [](FileSystemObject &, Args &a) {
        copyFile(a.required(0).toString(), a.required(1).toString(), a.toBool(2, true));
        return Variant();
    });
    t.method("GetFileName", 1, 1, [](FileSystemObject &, Args &a) { return Variant(getFileName(a.required(0).toString())); });
    t.method("GetBaseName", 1, 1, [](FileSystemObject &, Args &a) { return Variant(getBaseName(a.required(0).toString())); });
    t.method("GetExtensionName", 1, 1, [](FileSystemObject &, Args &a) { return Variant(getExtensionName(a.required(0).toString())); });
    t.method("GetParentFolderName", 1, 1, [](FileSystemObject &, Args &a) { return Variant(getParentFolderName(a.required(0).toString())); });
    t.method("BuildPath", 2, 2, [](FileSystemObject &, Args &a) {
        return Variant(buildPath(a.required(0).toString(), a.required(1).toString()));
    });
    return t;
}

com::DispatchTable<TextStreamObject> TextStreamObject::describe()
{
    com::DispatchTable<TextStreamObject> t(QStringLiteral("TextStream"));
    t.method("ReadLine", 0, 0, [](TextStreamObject &s, Args &) { return Variant(s.stream().readLine()); });
    t.method("ReadAll", 0, 0, [](TextStreamObject &s, Args &) { return Variant(s.stream().readAll()); });
    t.method("Read", 1, 1, [](TextStreamObject &s, Args &a) { return Variant(s.stream().read(a.required(0).toLong())); });
    t.method("Write", 1, 1, [](TextStreamObject &s, Args &a) {
        s.stream().write(a.required(0).toString());
        return Variant();
    });
    t.method("WriteLine", 0, 1, [](TextStreamObject &s, Args &a) {
        s.stream().writeLine(a.string(0));
        return Variant();
    });
    t.method("WriteBlankLines", 1, 1, [](TextStreamObject &s, Args &a) {
        s.stream().writeBlankLines(a.required(0).toLong());
        return Variant();
    });
    t.method("Close", 0, 0, [](TextStreamObject &s, Args &) {
        s.stream().close();
        return Variant();
    });
    t.property("AtEndOfStream", [](TextStreamObject &s) { return Variant(s.stream().atEndOfStream()); });
    t.property("Line", [](TextStreamObject &s) { return Variant(int32_t(s.stream().line())); });
    t.property("Column", [](TextStreamObject &s) { return Variant(int32_t(s.stream().column())); });
    t.method("SkipLine", 0, 0, [](TextStreamObject &s, Args &) {
        s.stream().skipLine();
        return Variant();
    });
    t.method("Skip", 1, 1, [](TextStreamObject &s, Args &a) {
        s.stream().skip(a.required(0).toLong());
        return Variant();
    });
    return t;
}

com::DispatchTable<FileObject> FileObject::describe()
{
    com::DispatchTable<FileObject> t(QStringLiteral("File"));
    t.property("Path", [](FileObject &f) { return Variant(f.path()); });
    t.property("Name", [](FileObject &f) { return Variant(QFileInfo(f.path()).fileName()); });
    t.property("Size", [](FileObject &f) {
        const QFileInfo info(f.path());
        if (!info.isFile())
            vb::raise(53);
        const qint64 size = info.size();
        return size <= INT32_MAX ? Variant(int32_t(size)) : Variant(double(size));
    });
    t.property("DateLastModified", [](FileObject &f) {
        const QFileInfo info(f.path());
        if (!info.exists())
            vb::raise(53);
        return Variant::fromDate(oleDate(info.lastModified()));
    });
    t.defaultMember("Path");
    return t;
}

com::DispatchTable<FolderObject> FolderObject::describe()
{
    com::DispatchTable<FolderObject> t(QStringLiteral("Folder"));
    t.property("Path", [](FolderObject &f) { return Variant(f.path()); });
    t.property("Name", [](FolderObject &f) { return Variant(getFileName(f.path())); });
    t.property("Files", [](FolderObject &f) { return object(std::make_shared<FilesObject>(f.path())); });
    t.defaultMember("Path");
    return t;
}

QStringList FilesObject::names() const
{
    QDir dir(m_folder);
    if (!dir.exists())
        vb::raise(76);
    return dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::vector<Variant> FilesObject::enumerate()
{
    std::vector<Variant> items;
    const QDir dir(m_folder);
    for (const QString &name : names())
        items.push_back(object(std::make_shared<FileObject>(dir.filePath(name))));
    return items;
}

com::DispatchTable<FilesObject> FilesObject::describe()
{
    com::DispatchTable<FilesObject> t(QStringLiteral("Files"));
    t.property("Count", [](FilesObject &f) { return Variant(int32_t(f.names().size())); });
    // Item(name): a file of the folder by its name.
    t.method("Item", 1, 1, [](FilesObject &f, Args &a) {
        const QString name = a.required(0).toString();
        const QString path = QDir(f.folder()).filePath(name);
        if (name.contains('/') || !fileExists(path))
            vb::raise(53);
        return object(std::make_shared<FileObject>(path));
    });
    t.defaultMember("Item");
    return t;
}

} // namespace fso

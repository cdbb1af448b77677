#include "fso/FileSystem.h"
#include "vb/TextFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

namespace fso {

namespace {

// The classic number and text, as every file error of the platform: the
// caller knows which file it asked for.
[[noreturn]] void fail(int number, const QString &)
{
    vb::raise(number);
}

QString parentOf(const QString &path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    return QFileInfo(abs).absolutePath();
}

void requireParentFolder(const QString &path)
{
    if (!QFileInfo(parentOf(path)).isDir())
        fail(76, path);
}

bool hasWildcards(const QString &s)
{
    return s.contains('*') || s.contains('?');
}

// The files a path pattern names: the file itself, or the files of its
// folder matching the wildcards of its last part. 76 when the folder of a
// wildcard is missing; 53 when nothing matches.
QStringList expand(const QString &pattern)
{
    const QString name = getFileName(pattern);
    if (!hasWildcards(name)) {
        if (!QFileInfo(pattern).isFile()) {
            if (!QFileInfo(parentOf(pattern)).isDir())
                fail(76, pattern);
            fail(53, pattern);
        }
        return {pattern};
    }
    const QString folder = getParentFolderName(pattern);
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists())
        fail(76, pattern);
    QStringList out;
    const QStringList names = dir.entryList({name}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &n : names)
        out << dir.filePath(n);
    if (out.isEmpty())
        fail(53, pattern);
    return out;
}

// The file's own read-only mark (no write permission for its owner), which
// binds even a user who could write it anyway.
bool isReadOnly(const QString &path)
{
    return !(QFile::permissions(path) & QFileDevice::WriteOwner);
}

// The path a file takes when copied or moved to `destination`: into the
// folder when the destination ends with "/" (or several files move), else
// the destination itself.
QString targetFor(const QString &source, const QString &destination, bool intoFolder)
{
    if (intoFolder || destination.endsWith('/')) {
        if (!QFileInfo(destination).isDir())
            fail(76, destination);
        return buildPath(destination, QFileInfo(source).fileName());
    }
    return destination;
}

} // namespace

QString fromFileBytes(const QByteArray &bytes) { return vb::fromWindows1252(bytes); }
QByteArray toFileBytes(const QString &text, const QString &path) { return vb::toWindows1252(text, path); }

// ---- TextStream ----

TextStream::TextStream(const QString &path, IOMode mode) : m_file(path), m_mode(mode) {}

TextStream::~TextStream()
{
    if (m_file.isOpen())
        m_file.close();
}

std::unique_ptr<TextStream> TextStream::open(const QString &path, IOMode mode, bool create)
{
    if (mode != ForReading && mode != ForWriting && mode != ForAppending)
        vb::raise(5);
    if (path.isEmpty())
        vb::raise(52);
    const QFileInfo info(path);
    if (info.isDir())
        fail(70, path);
    if (!info.exists()) {
        requireParentFolder(path);
        if (!create)
            fail(53, path);
    }
    std::unique_ptr<TextStream> s(new TextStream(path, mode));
    QIODevice::OpenMode how = mode == ForReading ? QIODevice::ReadOnly
                            : mode == ForWriting ? QIODevice::WriteOnly | QIODevice::Truncate
                                                 : QIODevice::WriteOnly | QIODevice::Append;
    if (mode == ForReading && !info.exists()) {
        // Reading with the create flag makes an empty file first.
        QFile make(path);
        if (!make.open(QIODevice::WriteOnly))
            fail(make.error() == QFileDevice::PermissionsError ? 70 : 75, path);
    }
    if (!s->m_file.open(how))
        fail(s->m_file.error() == QFileDevice::PermissionsError ? 70 : 75, path);
    return s;
}

std::unique_ptr<TextStream> TextStream::create(const QString &path, bool overwrite)
{
    if (path.isEmpty())
        vb::raise(52);
    const QFileInfo info(path);
    if (info.isDir())
        fail(70, path);
    if (info.exists() && !overwrite)
        fail(58, path);
    requireParentFolder(path);
    std::unique_ptr<TextStream> s(new TextStream(path, ForWriting));
    if (!s->m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(s->m_file.error() == QFileDevice::PermissionsError ? 70 : 75, path);
    return s;
}

void TextStream::requireReading()
{
    if (!m_file.isOpen())
        vb::raise(52);
    if (m_mode != ForReading)
        vb::raise(54);
}

void TextStream::requireWriting()
{
    if (!m_file.isOpen())
        vb::raise(52);
    if (m_mode == ForReading)
        vb::raise(54);
}

QString TextStream::readLine()
{
    requireReading();
    if (m_file.atEnd())
        vb::raise(62);
    QByteArray bytes = m_file.readLine();
    if (bytes.endsWith('\n')) {
        bytes.chop(1);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        ++m_line;
        m_column = 1;
    } else {
        m_column += int(bytes.size());
    }
    return fromFileBytes(bytes);
}

void TextStream::advance(const QByteArray &bytes)
{
    const int lines = int(bytes.count('\n'));
    m_line += lines;
    if (lines)
        m_column = int(bytes.size() - bytes.lastIndexOf('\n'));
    else
        m_column += int(bytes.size());
}

QString TextStream::readAll()
{
    requireReading();
    if (m_file.atEnd())
        vb::raise(62);
    const QByteArray bytes = m_file.readAll();
    advance(bytes);
    return fromFileBytes(bytes);
}

QString TextStream::read(qint64 count)
{
    requireReading();
    if (count < 0)
        vb::raise(5);
    if (count == 0)
        return {};
    if (m_file.atEnd())
        vb::raise(62);
    const QByteArray bytes = m_file.read(count);
    advance(bytes);
    return fromFileBytes(bytes);
}

void TextStream::writeBytes(const QByteArray &bytes)
{
    requireWriting();
    if (bytes.isEmpty())
        return;
    if (m_file.write(bytes) != bytes.size())
        fail(57, m_file.fileName());
    advance(bytes);
}

void TextStream::write(const QString &text) { writeBytes(toFileBytes(text, m_file.fileName())); }

void TextStream::writeLine(const QString &text) { writeBytes(toFileBytes(text, m_file.fileName()) + "\r\n"); }

void TextStream::writeBlankLines(int count)
{
    if (count < 0)
        vb::raise(5);
    writeBytes(QByteArray("\r\n").repeated(count));
}

void TextStream::close()
{
    if (!m_file.isOpen())
        return;
    const bool flushed = m_mode == ForReading || m_file.flush();
    m_file.close();
    if (!flushed)
        fail(57, m_file.fileName());
}

bool TextStream::atEndOfStream()
{
    requireReading();
    return m_file.atEnd();
}

// ---- whole files ----

QString readAllText(const QString &path)
{
    auto s = TextStream::open(path, ForReading);
    if (s->atEndOfStream())
        return {};
    return s->readAll();
}

void writeTextFile(const QString &path, const QString &text, bool overwrite)
{
    auto s = TextStream::create(path, overwrite);
    s->write(text);
    s->close();
}

// ---- files and folders ----

bool fileExists(const QString &path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

bool folderExists(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

void createFolder(const QString &path)
{
    if (path.isEmpty())
        vb::raise(52);
    if (QFileInfo::exists(path))
        fail(58, path);
    requireParentFolder(path);
    if (!QDir().mkdir(path))
        fail(70, path);
}

void deleteFile(const QString &fileSpec, bool force)
{
    if (fileSpec.isEmpty())
        vb::raise(52);
    for (const QString &file : expand(fileSpec)) {
        if (isReadOnly(file)) {
            if (!force)
                fail(70, file);
            QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
        }
        QFile f(file);
        if (!f.remove())
            fail(70, file);
    }
}

void deleteFolder(const QString &folderSpec, bool force)
{
    if (folderSpec.isEmpty())
        vb::raise(52);
    QString spec = folderSpec;
    while (spec.size() > 1 && spec.endsWith('/'))
        spec.chop(1);
    QStringList folders;
    const QString name = getFileName(spec);
    if (hasWildcards(name)) {
        const QString parent = getParentFolderName(spec);
        QDir dir(parent.isEmpty() ? QStringLiteral(".") : parent);
        for (const QString &n : dir.entryList({name}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
            folders << dir.filePath(n);
    } else if (QFileInfo(spec).isDir()) {
        folders << spec;
    }
    if (folders.isEmpty())
        fail(76, folderSpec);
    // nothing goes unless everything may go
    for (const QString &folder : folders) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            if (isReadOnly(file)) {
                if (!force)
                    fail(70, file);
                QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOwner);
            }
        }
    }
    for (const QString &folder : folders)
        if (!QDir(folder).removeRecursively())
            fail(70, folder);
}

QString getAbsolutePathName(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path.isEmpty() ? QStringLiteral(".") : path).absoluteFilePath());
}

void moveFile(const QString &source, const QString &destination)
{
    if (source.isEmpty() || destination.isEmpty())
        vb::raise(52);
    const QStringList files = expand(source);
    const bool intoFolder = hasWildcards(getFileName(source));
    for (const QString &file : files) {
        const QString target = targetFor(file, destination, intoFolder);
        if (QFileInfo::exists(target))
            fail(58, target);
        requireParentFolder(target);
        QFile f(file);
        if (!f.rename(target))
            fail(70, file);
    }
}

void copyFile(const QString &source, const QString &destination, bool overwrite)
{
    if (source.isEmpty() || destination.isEmpty())
        vb::raise(52);
    const QStringList files = expand(source);
    const bool intoFolder = hasWildcards(getFileName(source));
    for (const QString &file : files) {
        const QString target = targetFor(file, destination, intoFolder);
        const QFileInfo t(target);
        if (t.isDir() || QFileInfo(file).absoluteFilePath() == t.absoluteFilePath())
            fail(70, target);
        if (t.exists()) {
            if (!overwrite)
                fail(58, target);
            if (isReadOnly(target) || !QFile::remove(target))
                fail(70, target);
        }
        requireParentFolder(target);
        if (!QFile::copy(file, target))
            fail(70, target);
    }
}

// ---- path texts ----

namespace {

// The path without trailing separators, keeping a lone root "/".
QString trimmed(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    return p;
}

} // namespace

QString getFileName(const QString &path)
{
    const QString p = trimmed(path);
    if (p == QLatin1String("/"))
        return {};
    return p.mid(p.lastIndexOf('/') + 1);
}

QString getBaseName(const QString &path)
{
    const QString name = getFileName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? name : name.left(dot);
}

QString getExtensionName(const QString &path)
{
    const QString name = getFileName(path);
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString getParentFolderName(const QString &path)
{
    const QString p = trimmed(path);
    const qsizetype slash = p.lastIndexOf('/');
    if (slash < 0 || p == QLatin1String("/"))
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed(p.left(slash));
}

QString buildPath(const QString &path, const QString &name)
{
    if (path.isEmpty())
        return name;
    if (name.isEmpty())
        return path;
    const bool left = path.endsWith('/');
    const bool right = name.startsWith('/');
    if (left && right)
        return path + name.mid(1);
    if (left || right)
        return path + name;
    return path + '/' + name;
}

} // namespace fso

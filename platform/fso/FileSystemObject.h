#pragma once
// Scripting.FileSystemObject and the objects it hands out (TextStream, File,
// Folder, Files), reached by name from scripts and plug-ins. The work is done
// by the plain functions of FileSystem.h.

#include "com/HostObject.h"
#include "fso/FileSystem.h"

namespace fso {

// Enters Scripting.FileSystemObject among the built-in classes of
// com::CreateObject. Every program linking platform_fso calls it before main
// (the build links a registration unit into it), so calling it is only needed
// where that unit is not linked; calling it again does no harm.
bool registerClasses();

class FileSystemObject : public com::HostClass<FileSystemObject> {
public:
    static com::DispatchTable<FileSystemObject> describe();
};

class TextStreamObject : public com::HostClass<TextStreamObject> {
public:
    explicit TextStreamObject(std::unique_ptr<TextStream> stream) : m_stream(std::move(stream)) {}
    static com::DispatchTable<TextStreamObject> describe();
    TextStream &stream() { return *m_stream; }

private:
    std::unique_ptr<TextStream> m_stream;
};

class FileObject : public com::HostClass<FileObject> {
public:
    explicit FileObject(QString path) : m_path(std::move(path)) {}
    static com::DispatchTable<FileObject> describe();
    const QString &path() const { return m_path; }

private:
    QString m_path; // absolute
};

class FolderObject : public com::HostClass<FolderObject> {
public:
    explicit FolderObject(QString path) : m_path(std::move(path)) {}
    static com::DispatchTable<FolderObject> describe();
    const QString &path() const { return m_path; }

private:
    QString m_path; // absolute
};

// The files of a folder, read from the disk at each use.
class FilesObject : public com::HostClass<FilesObject> {
public:
    explicit FilesObject(QString folder) : m_folder(std::move(folder)) {}
    static com::DispatchTable<FilesObject> describe();
    std::vector<vb::Variant> enumerate() override;
    QStringList names() const;
    const QString &folder() const { return m_folder; }

private:
    QString m_folder;
};

} // namespace fso

#pragma once

#include <QIODevice>
#include <QString>

class QFile;

// File operations on paths that may hold bytes that are not UTF-8 (see NativeNames.h), which
// Qt's own file classes would take for another name.

// What a path names, following links.
enum class FileKind {
    Missing,    // nothing of that name
    BrokenLink, // a link to nothing
    Regular,    // a regular file
    Other,      // a folder, pipe, device or socket
};
FileKind fileKindOf(const QString& path);

// Opens the file at path for reading into file, which then closes it; 0 or the errno. mode
// may add QIODevice::Unbuffered.
int openExactly(QFile& file, const QString& path, QIODevice::OpenMode mode = QIODevice::ReadOnly);

// Makes folder and the folders above it that are missing; true when it is a folder then.
bool makeFolders(const QString& folder);

// Makes link a symbolic link to target; 0 or the errno.
int makeLink(const QString& target, const QString& link);

// Removes the file (or link) at path; 0 or the errno.
int removeFile(const QString& path);

// The path of what path names with every link resolved, "." and ".." gone; empty when there
// is nothing there.
QString canonicalPath(const QString& path);

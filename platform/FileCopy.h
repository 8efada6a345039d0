#pragma once

#include <QByteArray>
#include <QString>

// How a copy failed: the errno of the failing step and whether it was reading the source.
struct CopyResult {
    int error = 0;
    bool reading = false;

    bool ok() const { return error == 0; }
};

// Copies source over target in the private working folder, where nobody else looks.
CopyResult copyIntoWorkFolder(const QString& source, const QString& target);

// Writes a copy of source at target, replacing a file of that name only once the whole copy
// is in place, so a failed copy never costs the user an older image nor leaves a part of one.
CopyResult copyReplacing(const QString& source, const QString& target);

// Writes content to a new file at path that only the user can read, from its creation on (an
// older file of that name is replaced); the errno of the failing step, 0 on success.
int writePrivateFile(const QString& path, const QByteArray& content);

// 0 when files can be made in folder, otherwise the errno that says why not (EACCES, EROFS...).
int folderWriteError(const QString& folder);

// A file that whole lines are appended to, each with one write (a second one only finishes a
// line the first wrote in part), so that a reader never sees half a line unless the program is
// killed while writing it. "-" is standard output.
class AppendingFile {
public:
    AppendingFile() = default;
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    // The errno of a failed open, 0 on success.
    int open(const QString& path);
    bool isOpen() const { return m_fd >= 0; }
    bool append(const QByteArray& line);

private:
    int m_fd = -1;
    bool m_owned = false;
};

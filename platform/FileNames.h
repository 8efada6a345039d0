#pragma once

#include <QString>
#include <QStringList>

// The text after the last separator of path; the whole text when it has none, the empty
// text when it ends in one.
QString FileNameFromPath(const QString& path);

// What one look-up of path (following links) found: a folder, or else the size in bytes of a
// regular file; anything else, missing or unreadable counts as a file of 0 bytes.
struct PathLookup {
    bool folder = false;
    qint64 size = 0;
};
PathLookup LookUpPath(const QString& path);
// The same for a path already in the file system's encoding (QFile::encodeName).
PathLookup LookUpEncodedPath(const QByteArray& encodedPath);

// What tells one file at path from another put in its place: a file replaced (a new file
// renamed over it) or written again differs; "exists" is false for nothing at path.
struct FileIdentity {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0;
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentifyFile(const QString& path);

// True when the file or folder at path can be queried; never throws.
bool FileExists(const QString& path);

// Replaces every doubled separator by a single one, scanning once from the left over
// non-overlapping occurrences ("a//b" -> "a/b", "a///b" -> "a//b").
QString collapseDoubledSeparators(const QString& text);

// Sorts names in natural, case-insensitive order ("p2" before "p10", "a" before "B"); names
// that compare equal that way keep a fixed order by their exact text. Safe to call from any
// thread.
void sortNaturally(QStringList& names);

// What one reading of a folder found: the names of its files and of its subfolders, hidden
// ones included, in no particular order. A symbolic link to a folder counts as a folder and is
// listed in linkedFolders as well; anything else that is not a folder (special files, broken
// links) counts as a file. A missing or unreadable folder gives an empty listing.
struct FolderContents {
    QStringList files;
    QStringList folders;
    QStringList linkedFolders;
    QString error; // why the folder could not be listed, in the system's words; empty if it was
};

// Reads folder once. A folder text with or without a trailing separator names the same
// folder. Safe to call from any thread.
FolderContents ReadFolder(const QString& folder);

// The file names of contents that match pattern ('*' and '?', without regard to case), in
// natural name order: what ListFolderFiles gives for the folder that was read.
QStringList MatchingFiles(const FolderContents& contents, const QString& pattern);

// Names of the files (not folders) in folder that match pattern ('*' and '?', without regard
// to case), hidden files included, in natural name order ("p2" before "p10"). A folder text
// with or without a trailing separator names the same folder; a missing or unreadable folder
// gives no names.
QStringList ListFolderFiles(const QString& folder, const QString& pattern);

#include "platform/FileNames.h"

#include "platform/NativeNames.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

constexpr QChar Separator = QLatin1Char('/');

enum class EntryKind { File, Folder, LinkedFolder };

#ifdef Q_OS_UNIX

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool isFolderAt(int folderFd, const char* name) {
    struct stat target {};
    return ::fstatat(folderFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

EntryKind kindOf(int folderFd, const dirent& entry) {
    switch (entry.d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_LNK:
        return isFolderAt(folderFd, entry.d_name) ? EntryKind::LinkedFolder : EntryKind::File;
    case DT_UNKNOWN: {
        // Some file systems do not say; ask, without following a link first.
        struct stat own {};
        if (::fstatat(folderFd, entry.d_name, &own, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryKind::File;
        if (S_ISDIR(own.st_mode))
            return EntryKind::Folder;
        if (S_ISLNK(own.st_mode) && isFolderAt(folderFd, entry.d_name))
            return EntryKind::LinkedFolder;
        return EntryKind::File;
    }
    default:
        return EntryKind::File;
    }
}

// Large trees are read folder by folder, so the cost per entry decides a scan's speed: the
// kind of most entries comes with the listing itself, and only links and file systems that
// do not give it cost an extra query.
// Empty when the whole folder was listed; else why not, in the system's words.
template <typename Visit> QString forEachEntry(const QString& path, Visit visit) {
    const QByteArray nativePath = encodeFileName(path);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(nativePath.constData()),
                                                     &::closedir);
    if (!folder)
        return qt_error_string(errno);
    const int folderFd = ::dirfd(folder.get());
    errno = 0;
    while (const dirent* entry = ::readdir(folder.get())) {
        if (!isDotOrDotDot(entry->d_name))
            visit(decodeFileName(entry->d_name), kindOf(folderFd, *entry));
        errno = 0;
    }
    return errno != 0 ? qt_error_string(errno) : QString();
}

#else

template <typename Visit> QString forEachEntry(const QString& path, Visit visit) {
    if (!QFileInfo(path).isReadable())
        return QStringLiteral("Permission denied");
    QDirIterator entries(path,
                         QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        const EntryKind kind = !info.isDir()      ? EntryKind::File
                               : info.isSymLink() ? EntryKind::LinkedFolder
                                                  : EntryKind::Folder;
        visit(info.fileName(), kind);
    }
    return {};
}

#endif

// Compiling the expression costs more than matching a whole folder's names with it, and a
// folder scan matches the same pattern in thousands of folders: keep the last one per thread.
const QRegularExpression& wildcardMatcher(const QString& pattern) {
    thread_local std::optional<QString> lastPattern;
    thread_local QRegularExpression matcher;
    if (lastPattern != pattern) {
        matcher = QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                     QRegularExpression::CaseInsensitiveOption);
        lastPattern = pattern;
    }
    return matcher;
}

} // namespace

void sortNaturally(QStringList& names) {
    // A collator is costly to set up and not safe to share between threads, and folder
    // scans list folders on a worker thread: one per thread, made once. The C locale's collator
    // compares plain code points and ignores numeric mode, so under it (common for services and
    // minimal systems) the names are ordered as in English.
    thread_local const QCollator collator = [] {
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English, QLocale::UnitedStates);
        QCollator c(locale);
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

QString FileNameFromPath(const QString& path) {
    const qsizetype last = path.lastIndexOf(Separator);
    return last < 0 ? path : path.mid(last + 1);
}

PathLookup LookUpPath(const QString& path) {
    return LookUpEncodedPath(encodeFileName(path));
}

PathLookup LookUpEncodedPath(const QByteArray& encodedPath) {
    struct stat info {};
    if (::stat(encodedPath.constData(), &info) != 0)
        return {};
    if (S_ISDIR(info.st_mode))
        return {true, 0};
    return {false, S_ISREG(info.st_mode) ? static_cast<qint64>(info.st_size) : 0};
}

FileIdentity IdentifyFile(const QString& path) {
    struct stat info {};
    if (::stat(encodeFileName(path).constData(), &info) != 0)
        return {};
    return {true, static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino),
            static_cast<qint64>(info.st_size),
            static_cast<qint64>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    return ::stat(encodeFileName(path).constData(), &info) == 0;
}

QString collapseDoubledSeparators(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("//"), QStringLiteral("/"));
    return result;
}

FolderContents ReadFolder(const QString& folder) {
    const QString path = folder.endsWith(Separator) ? folder : folder + Separator;
    FolderContents contents;
    contents.error = forEachEntry(path, [&contents](const QString& name, EntryKind kind) {
        switch (kind) {
        case EntryKind::File:
            contents.files.append(name);
            break;
        case EntryKind::LinkedFolder:
            contents.linkedFolders.append(name);
            contents.folders.append(name);
            break;
        case EntryKind::Folder:
            contents.folders.append(name);
            break;
        }
    });
    return contents;
}

QStringList MatchingFiles(const FolderContents& contents, const QString& pattern) {
    const QRegularExpression& matcher = wildcardMatcher(pattern);
    QStringList names;
    for (const QString& name : contents.files) {
        if (matcher.match(matchableFileName(name)).hasMatch())
            names.append(name);
    }
    sortNaturally(names);
    return names;
}

QStringList ListFolderFiles(const QString& folder, const QString& pattern) {
    return MatchingFiles(ReadFolder(folder), pattern);
}

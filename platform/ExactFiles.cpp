#include "platform/ExactFiles.h"

#include "platform/NativeNames.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FileKind fileKindOf(const QString& path) {
    const QByteArray name = encodeFileName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0)
        return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
    struct stat own {};
    return ::lstat(name.constData(), &own) == 0 && S_ISLNK(own.st_mode) ? FileKind::BrokenLink
                                                                        : FileKind::Missing;
}

int openExactly(QFile& file, const QString& path, QIODevice::OpenMode mode) {
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    if (!file.open(fd, mode | QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return EIO;
    }
    return 0;
}

bool makeFolders(const QString& folder) {
    const QByteArray name = encodeFileName(folder);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    // Each folder from the top down; one that is there already is fine.
    for (qsizetype slash = name.indexOf('/', 1); slash > 0; slash = name.indexOf('/', slash + 1))
        ::mkdir(name.left(slash).constData(), 0777);
    return (::mkdir(name.constData(), 0777) == 0 || errno == EEXIST) &&
           ::stat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

int makeLink(const QString& target, const QString& link) {
    return ::symlink(encodeFileName(target).constData(), encodeFileName(link).constData()) == 0
               ? 0
               : errno;
}

int removeFile(const QString& path) {
    return ::unlink(encodeFileName(path).constData()) == 0 ? 0 : errno;
}

QString canonicalPath(const QString& path) {
    char resolved[PATH_MAX];
    if (path.isEmpty() || ::realpath(encodeFileName(path).constData(), resolved) == nullptr)
        return {};
    return decodeFileName(resolved);
}

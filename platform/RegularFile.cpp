#include "platform/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

InputCheck openRegularFile(const QString& path, QFile& file) {
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (::stat(encoded.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? InputCheck::Missing : InputCheck::Unreadable;
    if (!S_ISREG(info.st_mode))
        return InputCheck::NotRegular;
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? InputCheck::Missing : InputCheck::Unreadable;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return InputCheck::NotRegular;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return InputCheck::Unreadable;
    }
    return InputCheck::Regular;
}

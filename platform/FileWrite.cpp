#include "platform/FileWrite.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

int writeWhole(int fd, const char* data, std::size_t size, int stalledError) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : stalledError;
        data += written;
        size -= std::size_t(written);
    }
    return 0;
}

int replaceFile(const QByteArray& from, const QByteArray& to) {
    return std::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

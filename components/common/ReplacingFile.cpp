#include "ReplacingFile.h"

#include "platform/FileWrite.h"
#include "protocol/PartFile.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<quint64> partCounter{0};

QByteArray descriptorPath(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

} // namespace

ReplacingFile::~ReplacingFile() {
    discard();
}

bool ReplacingFile::fail(int error) {
    m_fault = writeFault(error);
    m_errorText = m_fault == Fault::NoFolder
                      ? QStringLiteral("The folder of %1 does not exist.").arg(m_target)
                      : QStringLiteral("Cannot write %1: %2.")
                            .arg(m_target, QString::fromLocal8Bit(std::strerror(error)));
    setErrorString(m_errorText);
    return false;
}

bool ReplacingFile::create(const QString& target) {
    m_target = target;
    m_folder = QFile::encodeName(QFileInfo(target).absolutePath());
    // An unnamed file in the folder, given its name by linking it in through /proc.
    m_fd = ::open(m_folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd >= 0 && ::access(descriptorPath(m_fd).constData(), F_OK) != 0) {
        ::close(m_fd);
        m_fd = -1;
        errno = EOPNOTSUPP;
    }
    if (m_fd < 0) {
        const int error = errno;
        // Older kernels and some file systems have no unnamed files: fall back to a name.
        if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL)
            return fail(error);
        if (!openNamed(m_folder))
            return false;
    }
    return QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool ReplacingFile::openNamed(const QByteArray& folder) {
    m_partPath = folder + '/' + QFile::encodeName(partFileName(::getpid(), ++partCounter));
    m_fd = ::open(m_partPath.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        const int error = errno;
        m_partPath.clear();
        return fail(error);
    }
    return true;
}

qint64 ReplacingFile::writeData(const char* data, qint64 size) {
    // A write that makes no progress without an error can only be a full disk.
    if (const int error = writeWhole(m_fd, data, std::size_t(size), ENOSPC); error != 0) {
        fail(error);
        return -1;
    }
    return size;
}

// Gives the unnamed file its final name. linkat cannot replace a file, so where the target
// exists the file is linked under a short name and renamed over it.
bool ReplacingFile::linkUnnamed() {
    const QByteArray target = QFile::encodeName(m_target);
    const QByteArray source = descriptorPath(m_fd);
    if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW) ==
        0)
        return true;
    if (errno != EEXIST)
        return fail(errno);
    for (;;) {
        m_partPath = m_folder + '/' + QFile::encodeName(partFileName(::getpid(), ++partCounter));
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, m_partPath.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            return true;
        const int error = errno;
        m_partPath.clear();
        if (error != EEXIST)
            return fail(error);
    }
}

bool ReplacingFile::commit() {
    if (m_fd < 0)
        return false;
    QIODevice::close();
    const bool unnamed = m_partPath.isEmpty();
    if (unnamed && !linkUnnamed()) {
        discard();
        return false;
    }
    const int closed = ::close(m_fd);
    const int closeError = errno;
    m_fd = -1;
    if (closed != 0) {
        fail(closeError);
        if (unnamed && m_partPath.isEmpty())
            ::unlink(QFile::encodeName(m_target).constData());
        discard();
        return false;
    }
    if (!m_partPath.isEmpty()) {
        if (const int error = replaceFile(m_partPath, QFile::encodeName(m_target)); error != 0) {
            fail(error);
            discard();
            return false;
        }
    }
    m_partPath.clear();
    return true;
}

void ReplacingFile::discard() {
    if (isOpen())
        QIODevice::close();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_partPath.isEmpty())
        ::unlink(m_partPath.constData());
    m_partPath.clear();
}

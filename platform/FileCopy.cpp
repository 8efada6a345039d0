#include "platform/FileCopy.h"

#include "platform/FileWrite.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The copies are not forced to disk: doing so for every page costs more than the conversion
// itself on a busy disk, and a crash loses at worst a page that can be made again.

namespace {

constexpr std::size_t kChunk = 1 << 16;

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the errno of a failing close (some file systems report a failed
    // write only there).
    int close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

CopyResult copyContents(int in, int out) {
    char buffer[kChunk];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {errno, true};
        if (got == 0)
            return {};
        if (const int error = writeWhole(out, buffer, std::size_t(got), EIO); error != 0)
            return {error, false};
    }
}

int openForReading(const QString& path) {
    // Non-blocking, so that a pipe given as a PDF cannot hold the conversion.
    return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

} // namespace

CopyResult copyIntoWorkFolder(const QString& source, const QString& target) {
    Descriptor in(openForReading(source));
    if (in.get() < 0)
        return {errno, true};
    Descriptor out(::open(QFile::encodeName(target).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return {errno, false};
    if (const CopyResult copied = copyContents(in.get(), out.get()); !copied.ok())
        return copied;
    return {out.close(), false};
}

CopyResult copyReplacing(const QString& source, const QString& target) {
    Descriptor in(openForReading(source));
    struct stat status {};
    if (in.get() < 0 || ::fstat(in.get(), &status) != 0)
        return {errno, true};
    QByteArray temporary =
        QFile::encodeName(QFileInfo(target).absolutePath() + QStringLiteral("/.pagekiln-XXXXXX"));
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.get() < 0)
        return {errno, false};
    CopyResult result = copyContents(in.get(), out.get());
    if (result.ok() && ::fchmod(out.get(), status.st_mode & 07777) != 0)
        result = {errno, false};
    if (const int closed = out.close(); result.ok() && closed != 0)
        result = {closed, false};
    if (result.ok())
        result = {replaceFile(temporary, QFile::encodeName(target)), false};
    if (!result.ok())
        ::unlink(temporary.constData());
    return result;
}

int writePrivateFile(const QString& path, const QByteArray& content) {
    const QByteArray name = QFile::encodeName(path);
    ::unlink(name.constData());
    Descriptor out(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return errno;
    if (const int error =
            writeWhole(out.get(), content.constData(), std::size_t(content.size()), EIO);
        error != 0)
        return error;
    return out.close();
}

int folderWriteError(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0 ? 0 : errno;
}

AppendingFile::~AppendingFile() {
    if (m_owned)
        ::close(m_fd);
}

int AppendingFile::open(const QString& path) {
    if (path == QLatin1String("-")) {
        m_fd = STDOUT_FILENO;
        return 0;
    }
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC,
                  0644);
    if (m_fd < 0)
        return errno;
    m_owned = true;
    return 0;
}

bool AppendingFile::append(const QByteArray& line) {
    return writeWhole(m_fd, line.constData(), std::size_t(line.size()), EIO) == 0;
}

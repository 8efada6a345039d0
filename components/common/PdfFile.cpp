#include "PdfFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file that opens but holds no PDF header in its first kilobyte is another kind of file;
// one with the header that cannot be read is a damaged PDF.
bool hasPdfHeader(int fd) {
    char head[1024];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    return n > 0 && QByteArray::fromRawData(head, qsizetype(n)).contains("%PDF-");
}

// Opens path for reading without waiting on a pipe or device, and only when it is a file.
EngineOutcome openRegularDescriptor(const QString& path, int& fd) {
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return EngineOutcome::failure(Fault::Missing,
                                          QStringLiteral("The file %1 does not exist.").arg(path));
        if (error == ENXIO) // a socket
            return EngineOutcome::failure(Fault::NotRegular,
                                          QStringLiteral("%1 is not a regular file.").arg(path));
        return EngineOutcome::failure(Fault::Internal,
                                      QStringLiteral("Cannot read %1: %2.")
                                          .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return EngineOutcome::failure(
            Fault::NotRegular,
            QStringLiteral("%1 is not a regular file (a folder, pipe or device).").arg(path));
    }
    if (st.st_size == 0) {
        ::close(fd);
        fd = -1;
        return EngineOutcome::failure(Fault::NotPdf, QStringLiteral("The file is empty."));
    }
    return EngineOutcome::success();
}

} // namespace

std::FILE* openRegularFile(const QString& path, EngineOutcome& outcome) {
    int fd = -1;
    outcome = openRegularDescriptor(path, fd);
    if (!outcome.ok())
        return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        ::close(fd);
        outcome = EngineOutcome::failure(Fault::Memory, QStringLiteral("Out of memory."));
    }
    return file;
}

pdf_document* openPdf(fz_context* ctx, std::FILE* file, EngineOutcome& outcome) {
    pdf_document* doc = nullptr;
    fz_stream* stream = nullptr;
    fz_var(doc);
    fz_var(stream);
    fz_try(ctx) {
        stream = fz_open_file_ptr_no_close(ctx, file);
        doc = pdf_open_document_with_stream(ctx, stream);
    }
    fz_always(ctx) {
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        pdf_drop_document(ctx, doc);
        doc = nullptr;
        outcome = hasPdfHeader(::fileno(file))
                      ? EngineOutcome::failure(caughtFault(ctx, Fault::Damaged),
                                               withFullStop(caughtMessage(ctx)))
                      : EngineOutcome::failure(Fault::NotPdf,
                                               QStringLiteral("The file is not a PDF document."));
    }
    return doc;
}

EngineOutcome unlock(fz_context* ctx, pdf_document* doc, const QString& password) {
    if (!pdf_needs_password(ctx, doc))
        return EngineOutcome::success();
    if (password.isEmpty())
        return EngineOutcome::failure(Fault::Password, QStringLiteral("The PDF needs a password."));
    if (!pdf_authenticate_password(ctx, doc, password.toUtf8().constData()))
        return EngineOutcome::failure(Fault::PasswordWrong,
                                      QStringLiteral("The password was not accepted."));
    return EngineOutcome::success();
}

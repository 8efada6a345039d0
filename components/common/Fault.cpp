#include "Fault.h"

#include <cerrno>

QString faultName(Fault fault) {
    switch (fault) {
    case Fault::None:
        return QStringLiteral("none");
    case Fault::Missing:
        return QStringLiteral("missing");
    case Fault::NotRegular:
        return QStringLiteral("not-regular");
    case Fault::NotPdf:
        return QStringLiteral("not-pdf");
    case Fault::Damaged:
        return QStringLiteral("damaged");
    case Fault::Password:
        return QStringLiteral("password");
    case Fault::PasswordWrong:
        return QStringLiteral("password-wrong");
    case Fault::NoPage:
        return QStringLiteral("no-page");
    case Fault::TooLarge:
        return QStringLiteral("too-large");
    case Fault::BadArgument:
        return QStringLiteral("bad-argument");
    case Fault::NoFolder:
        return QStringLiteral("no-folder");
    case Fault::WriteDenied:
        return QStringLiteral("write-denied");
    case Fault::DiskFull:
        return QStringLiteral("disk-full");
    case Fault::WriteFailed:
        return QStringLiteral("write-failed");
    case Fault::Memory:
        return QStringLiteral("memory");
    case Fault::Internal:
        return QStringLiteral("internal");
    }
    return QStringLiteral("internal");
}

Fault writeFault(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return Fault::NoFolder;
    case EACCES:
    case EPERM:
    case EROFS:
        return Fault::WriteDenied;
    case ENOSPC:
    case EDQUOT:
        return Fault::DiskFull;
    case ENOMEM:
        return Fault::Memory;
    default:
        return Fault::WriteFailed;
    }
}

#include "WriteFault.h"

#include <cerrno>

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

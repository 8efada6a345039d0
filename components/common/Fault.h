#pragma once

#include <QString>

// Why a request of a component failed, as the client can act on it. The names (faultName) are
// part of the protocol: every failure answer carries one as "code".
enum class Fault {
    None,
    Missing,       // no such file
    NotRegular,    // a folder, pipe, device or socket instead of a file
    NotPdf,        // the file is not a PDF document (or is empty)
    Damaged,       // a PDF that cannot be read or rendered
    Password,      // the PDF needs a password and none was given
    PasswordWrong, // the password given was not accepted
    NoPage,        // the page is beyond the end of the document
    TooLarge,      // the image would exceed what JPEG holds on a side
    BadArgument,   // a request the object cannot take
    NoFolder,      // the folder of the file to write does not exist
    WriteDenied,   // permission denied or read-only file system
    DiskFull,      // no space or quota left
    WriteFailed,   // any other error writing the file
    Memory,        // more memory than allowed
    Internal,      // anything else
};

QString faultName(Fault fault);

// The fault of a failed write or file creation from its errno.
Fault writeFault(int error);

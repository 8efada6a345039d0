#pragma once

#include <QString>
#include <QStringView>

// Why a call between the program and a component server did not succeed. Servers report the
// first group in their answers; the client finds the second group itself. Every fault has one
// name on the wire (faultName), which failure answers carry as "code" and which the client
// passes on unchanged.
enum class Fault {
    None,
    // Reported by a server.
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
    // Found by the client.
    NotRegistered, // no component serves the class, or its server is missing
    ServerDied,    // the server could not start, died, or has ended
    TimedOut,      // the server did not answer within the call limit
    BadAnswer,     // the server's answer could not be read
    NoObject,      // the object was never created or has been released
    Interrupted,   // stopped: a server's long call at a stop request, between pages (which
                   // a server reports); the application quitting, or the run stopped at once
};

// The fault's name on the wire ("password-wrong").
QString faultName(Fault fault);

// The fault a wire name stands for; a name this side does not know is Internal.
Fault faultFromName(QStringView name);

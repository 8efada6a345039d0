#pragma once

#include <QString>

class QFile;

// What opening an input for reading found.
enum class InputCheck {
    Regular,    // a regular file (possibly behind links), now open
    Missing,    // nothing at the path
    NotRegular, // a FIFO, device, socket or folder: never read, as reading could wait for ever
    Unreadable, // there, but it cannot be read (permissions, I/O)
};

// Opens path for reading into file only when it is a regular file. The type is looked at
// before opening and again on the open descriptor, which is opened without waiting, so a FIFO
// renamed into place between the two cannot block either.
InputCheck openRegularFile(const QString& path, QFile& file);

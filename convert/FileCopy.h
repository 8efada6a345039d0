#pragma once

#include <QString>

// How a copy failed: the errno of the failing step and whether it was reading the source.
struct CopyResult {
    int error = 0;
    bool reading = false;

    bool ok() const { return error == 0; }
};

// Copies source over target in the private working folder, where nobody else looks.
CopyResult copyIntoWorkFolder(const QString& source, const QString& target);

// Writes a copy of source at target, replacing a file of that name only once the whole copy
// is in place, so a failed copy never costs the user an older image nor leaves a part of one.
CopyResult copyReplacing(const QString& source, const QString& target);

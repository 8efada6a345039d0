#pragma once

#include <QString>

// A component server that cannot write an image unnamed writes it under a short hidden name in
// the target folder, ".pk-<pid>-<n>.part", and renames it over the target when complete. A
// client that sees the server die mid-save removes that server's part files.

// The name of the n-th part file of process pid.
QString partFileName(qint64 pid, quint64 n);

// A name filter (for QDir) that matches every part file of process pid.
QString partFilePattern(qint64 pid);

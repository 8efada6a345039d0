#include "protocol/PartFile.h"

QString partFileName(qint64 pid, quint64 n) {
    return QStringLiteral(".pk-%1-%2.part").arg(pid).arg(n);
}

QString partFilePattern(qint64 pid) {
    return QStringLiteral(".pk-%1-*.part").arg(pid);
}

#include "platform/ProcessGroup.h"

#include <QProcess>

#include <unistd.h>

void startInOwnProcessGroup(QProcess& process) {
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
}

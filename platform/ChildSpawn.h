#pragma once

#include <QByteArray>
#include <QList>

#include <sys/types.h>

// How a child program is started.
struct ChildStart {
    QByteArray folder;            // its working folder; empty: this process's
    bool ownProcessGroup = false; // so that it and everything it starts can be ended together
    bool searchPath = false;      // look the program up on PATH
};

struct SpawnedChild {
    int error = 0; // errno of a failed start (exec failures included)
    pid_t pid = 0;
};

// How LaunchFile starts a child on Linux: program with argv as given (argv[0] first),
// standard input from /dev/null, every signal unblocked and at its default, whatever this
// process has blocked or ignored.
SpawnedChild spawnChild(const QByteArray& program, const QList<QByteArray>& argv,
                        const ChildStart& how);

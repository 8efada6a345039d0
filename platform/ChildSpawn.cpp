#include "platform/ChildSpawn.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <vector>

extern char** environ;

SpawnedChild spawnChild(const QByteArray& program, const QList<QByteArray>& argv,
                        const ChildStart& how) {
    std::vector<char*> pointers;
    for (const QByteArray& argument : argv)
        pointers.push_back(const_cast<char*>(argument.constData()));
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!how.folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, how.folder.constData());

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (how.ownProcessGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attributes, flags);

    SpawnedChild spawned;
    const int result = how.searchPath ? posix_spawnp(&spawned.pid, program.constData(), &actions,
                                                     &attributes, pointers.data(), environ)
                                      : posix_spawn(&spawned.pid, program.constData(), &actions,
                                                    &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        spawned = SpawnedChild{result, 0};
    return spawned;
}

#!/usr/bin/env bash
# Every operating-system call lives in platform/ (and in the component servers, which are
# built for one system anyway): the rest of the program is plain C++ and Qt, so another
# system only needs another platform/. This check fails when a POSIX header or call appears
# in a C or C++ source outside platform/, components/, tests/ and bench/.
#
#   check_platform_calls.sh ROOT     check the sources below ROOT
#   check_platform_calls.sh --self   show that the check catches what it should, and only that
set -euo pipefail

headers='unistd|fcntl|spawn|dirent|signal|poll|pthread|termios|pwd|grp|dlfcn|sched|semaphore|syslog|glob|wordexp|libgen|utime|sys/[a-z_/]+|netinet/[a-z_]+|arpa/[a-z_]+|netdb'
# Names no Qt or standard function shares, caught however they are written.
calls='_exit|isatty|fork|vfork|execl|execlp|execle|execv|execve|execvp|execvpe|posix_spawn|posix_spawnp|waitpid|wait4|killpg|sigaction|sigprocmask|pipe2|dup2|dup3|getpid|getppid|getuid|geteuid|setsid|setpgid|fchdir|mkstemp|mkdtemp|realpath|readlink|symlink|fchmod|lstat|fstat|opendir|readdir|closedir|sysconf|popen|pclose|ioctl|mmap|munmap|setenv|unsetenv|umask|nanosleep|usleep|alarm'
# Names that Qt classes also use (QIODevice::write, QWidget::close, QProcess::kill...): caught
# when called at global scope, "::name(".
shared='kill|signal|raise|pipe|dup|chdir|link|unlink|rmdir|chmod|chown|stat|system|open|close|read|write|select|poll|sleep'

check() {
    local root=$1
    find "$root" -mindepth 1 -type d \( -name platform -o -name components -o -name tests -o -name bench \
            -o -name 'build*' -o -name '.*' \) -prune -o \
        -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp' \) \
        -print0 |
        xargs -0 -r perl -ne '
            BEGIN { ($h, $c, $s) = splice(@ARGV, 0, 3); $bad = 0 }
            my $line = $_;
            $line =~ s{//.*$}{};
            if ($line =~ m{^\s*#\s*include\s*<($h)\.h>} ||
                $line =~ m{(?<![\w.>:])(?:::)?\b($c)\s*\(} ||
                $line =~ m{(?<![\w:])::($s)\s*\(} ||
                $line =~ m{\b(xdg-open)\b}) {
                print "$ARGV:$.: $1: $_";
                $bad = 1;
            }
            close ARGV if eof;
            END { exit $bad }' "$headers" "$calls" "$shared"
}

if [ "${1:-}" != "--self" ]; then
    root=${1:?source root}
    if check "$root"; then
        echo "no POSIX header or call outside platform/ and components/"
        exit 0
    fi
    echo "move the lines above behind a function of platform/"
    exit 1
fi

# Self-check: each line below, alone in app/x.cpp, must fail (bad) or pass (good).
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0
probe() {
    local expect=$1 line=$2
    rm -rf "$tree"/*
    mkdir -p "$tree/app" "$tree/platform" "$tree/tests"
    printf '%s\n' "$line" > "$tree/app/x.cpp"
    # The same line is allowed where it belongs.
    printf '%s\n' "$line" > "$tree/platform/x.cpp"
    printf '%s\n' "$line" > "$tree/tests/x.cpp"
    if check "$tree" >/dev/null; then got=good; else got=bad; fi
    if [ "$got" != "$expect" ]; then
        echo "expected $expect, got $got: $line"
        failures=$((failures + 1))
    fi
}
probe bad '#include <unistd.h>'
probe bad '#  include <sys/wait.h>'
probe bad '#include <signal.h>'
probe bad '    ::_exit(0);'
probe bad '    const bool t = isatty(2) == 1;'
probe bad '    if (::kill(pid, SIGTERM) != 0)'
probe bad '    pid_t child = fork ();'
probe bad '    QProcess::startDetached(QStringLiteral("xdg-open"), {address});'
probe bad '    ::write(fd, data, size);'
probe good '#include <QProcess>'
probe good '#include <csignal>'
probe good '    process.kill();'
probe good '    m_process->kill();'
probe good '    QProcess::kill();'
probe good '    std::rename(a, b);'
probe good '    file.open(QIODevice::ReadOnly);'
probe good '    QDir().rmdir(path); // not ::rmdir(path)'
probe good '    EndProgramNow(folder, 0);'
probe good '        close();'
probe good '    out.write(chunk);'
probe good '    const bool t = StandardErrorIsTerminal();'
if [ "$failures" -ne 0 ]; then
    echo "$failures probes wrong"
    exit 1
fi
echo "all probes as expected"

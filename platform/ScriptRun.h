#pragma once

#include <QString>

#include <chrono>

// How a converter script's run ended.
enum class ScriptEnd {
    Ended,       // the script ended by itself; exitCode is its code
    NotStarted,  // the script is missing or /bin/sh could not be started
    Stalled,     // no progress within the idle limit: the script and its helpers were ended
    Stopped,     // a stop request ended it
    Interrupted, // the wait was cut short because the application is quitting
};

struct ScriptResult {
    ScriptEnd end = ScriptEnd::NotStarted;
    int exitCode = 0; // for Ended: the exit code, or 128 + signal
};

// What counts as progress of a script: a new or growing file matching pattern in folder.
struct ScriptProgress {
    QString folder;
    QString pattern;
    std::chrono::milliseconds idleLimit{300'000};
};

// The idle limit of converter scripts: PAGEKILN_SCRIPT_IDLE_SECONDS (a decimal number of
// seconds) when set to a positive value, else 300 s. A page image appears at least every few
// seconds on any real document, so the bound only ever ends a script that hangs.
std::chrono::milliseconds scriptIdleLimit();

// Runs script with /bin/sh, whatever the script file's mode, in workingFolder, with standard
// input from /dev/null, in a process group of its own (so it and everything it starts can be
// ended together), and waits for its end while the calling thread's event loop runs. A script
// that makes no progress within the idle limit is ended with its group. The group is recorded
// for stop requests while it runs.
ScriptResult runShellScript(const QString& script, const QString& workingFolder,
                            const ScriptProgress& progress);

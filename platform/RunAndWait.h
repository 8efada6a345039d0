#pragma once

#include "platform/Launch.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

// Window states outside 0..6 are treated as 6 (minimised).
std::int32_t clampWindowState(std::int32_t windowState);

// What a failed launch returns in place of an exit code: the error number offset by
// 0x80040000 in 32-bit arithmetic, or 0 where that sum does not fit.
std::int32_t launchFailureResult(std::int32_t errorNumber);

// How a wait for a started program ended.
enum class ChildEnd {
    Ended,       // the child ended by itself
    NotStarted,  // nothing could be waited for: the launch failed (see the error record), or
                 // the child's end cannot be watched (an owned group is then ended at once)
    Stalled,     // no progress within the idle limit: the child's group was ended
    Stopped,     // a stop request ended the child's owned group
    Interrupted, // the wait was cut short because the application (or thread) is quitting
};

// What counts as progress of the child: a new or growing file matching pattern in folder.
// Once nothing has changed there for idleLimit, the child's group is ended. An empty folder
// leaves the wait unbounded.
struct ProgressWatch {
    QString folder;
    QString pattern;
    std::chrono::milliseconds idleLimit{0};
    // Told the number of matching files whenever the files change; looked at four times a
    // second at least while it is set.
    std::function<void(qsizetype files)> onFiles;
};

// Whose the child's process group (every launched child has one of its own) is.
enum class ChildGroup {
    // The child's: the wait only watches the child, and a wait cut short leaves it running.
    Independent,
    // The wait's: a stop request (platform/StopRequest) and a wait cut short end the whole
    // group, and whatever the child leaves running in it ends with the child.
    Owned,
};

struct RunOptions {
    ProgressWatch progress;
    ChildGroup group = ChildGroup::Independent;
    LaunchOptions launch;
};

struct RunOutcome {
    // What RunAndWait returns: the exit code of a collected child (128 + the signal for one
    // ended by a signal, the wait's own ends included), the failure result of a failed
    // launch, or 0 when there is no exit code (nothing waited for, or a child left running).
    std::int32_t result = 0;
    ChildEnd end = ChildEnd::NotStarted;
    LaunchError error; // the launch's error record
};

// Starts command through LaunchFile ("open", no parameters, workingFolder) and waits for the
// child to end while the calling thread's event loop keeps running. The child's end wakes the
// wait directly through a descriptor of the process (pidfd); nothing sleeps or polls for it.
// Where the kernel gives no such descriptor (out of descriptors), the end cannot be waited
// for: the result is 0. Everything lives in locals, so a wait started by a handler that runs
// inside another wait does not disturb the outer one.
RunOutcome RunAndWait(const QString& command, std::int32_t windowState,
                      const QString& workingFolder, const RunOptions& options);

// The same with an independent child and no bound: the child's exit code (128 + signal for a
// child killed by a signal), the failure result of a launch that failed, or 0 when no child
// could be waited for.
std::int32_t RunAndWait(const QString& command, std::int32_t windowState,
                        const QString& workingFolder);

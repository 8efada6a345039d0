#pragma once

#include "platform/Launch.h"

#include <cstdint>

// Window states outside 0..6 are treated as 6 (minimised).
std::int32_t clampWindowState(std::int32_t windowState);

// What a failed launch returns in place of an exit code: the error number offset by
// 0x80040000 in 32-bit arithmetic, or 0 where that sum does not fit.
std::int32_t launchFailureResult(std::int32_t errorNumber);

enum class ChildEnd {
    Ended,        // the child ended and was reaped; exitCode is its code
    NotStarted,   // the launch failed; see the error record
    StillRunning, // the wait was cut short because the application is quitting
};

struct RunOutcome {
    std::int32_t result = 0; // what RunAndWait returns
    ChildEnd end = ChildEnd::NotStarted;
};

// Starts command through LaunchFile ("open", no parameters) and waits for the child to end
// while the calling thread's event loop keeps running. The child's end wakes the wait
// directly; nothing sleeps or polls. Everything lives in locals, so a wait started by a
// handler that runs inside another wait does not disturb the outer one.
RunOutcome runProgram(const QString& command, std::int32_t windowState,
                      const QString& workingFolder, LaunchError& error,
                      const LaunchOptions& options = {});

// The child's exit code (128 + signal for a child killed by a signal), the failure result
// of a launch that failed, or 0 when no child could be waited for.
std::int32_t RunAndWait(const QString& command, std::int32_t windowState,
                        const QString& workingFolder);

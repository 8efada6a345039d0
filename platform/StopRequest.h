#pragma once

#include <QtGlobal>

#include <sys/types.h>

// A process-wide request to stop converting, and the helper processes it ends. Conversions run
// on several threads, each waiting for its own helpers; a stop has to reach all of them from
// whichever thread receives it, so the state lives here rather than in any one object.
//
// Converter scripts (and the Ghostscript they start) run in process groups of their own and
// are recorded here while they run: a stop ends them at once, as they write only to our
// private working folder. Component servers are recorded too, but a stop only asks them, by
// serverStopSignal() (platform/ProcessGroup.h), to end the call under way once the page they
// are writing is whole; only stopNow() ends them.

// Sets the stop flag, ends every recorded script group and asks every recorded server to stop
// after its page; safe from any thread.
void requestStop();

// True once a stop was requested (until clearStopRequest()).
bool stopRequested();

// Ends every recorded script group and component server at once.
void stopNow();

// True once stopNow() ended the servers (until clearStopRequest()): a server that died since
// was ended by the user's stop, not by a fault of its own.
bool serversWereEnded();

// Forgets a stop request, for a fresh run in the same process (tests).
void clearStopRequest();

// Records the process group of a script that was just started. When a stop was requested
// already, the group is ended at once and false is returned.
bool adoptScriptGroup(pid_t group);
void releaseScriptGroup(pid_t group);

// Records a component server by its process id, as QProcess gives it (the descriptor taken here
// stays valid however long the process runs, so a later stopNow() never reaches a process that
// reused the id).
void adoptServer(qint64 processId);
void releaseServer(qint64 processId);

// Ends a process group for good: the processes cannot catch it, and stopped ones end too.
void endProcessGroup(pid_t group);

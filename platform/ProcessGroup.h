#pragma once

class QProcess;

// The signal by which a stop request asks a component server to end the call under way once
// the page it is writing is whole (see requestStop). The export server writes a whole document
// in one call, so it must learn of a stop while it works.
int serverStopSignal();

// How a component server is started: leading a process group of its own, so that the
// terminal's Ctrl+C does not reach it (the caller decides when it ends); ended by the system
// when this process ends, however it ends, even by SIGKILL; and ignoring the stop signal until
// it takes it over, so that a stop that comes while it is still starting cannot end it.
// The system ties the end to the thread that starts the server: start servers from a thread
// that lives as long as they do.
void startAsServer(QProcess& process);

// Makes the next program process starts end when this process ends, however it ends (the
// helpers a server starts), with the same tie to the starting thread.
void startTiedToThisProcess(QProcess& process);

#pragma once

class QProcess;

// Makes the next program process starts lead a process group of its own, so that the
// terminal's Ctrl+C does not reach it: the caller decides when it ends.
void startInOwnProcessGroup(QProcess& process);

#pragma once

// The process's limit on open files, which bounds how many parallel jobs can run: each holds
// a few descriptors (pipes to its servers, the files it copies, its thread's event loop).

// Raises the soft limit to the hard one, as far as the system lets us.
void raiseOpenFileLimit();

// The soft limit now in force (a large number when there is none).
long long openFileLimit();

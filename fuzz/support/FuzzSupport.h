#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: scratch files for code that reads files, the request loop's
// line splitting, and the way a target reports a broken promise.

// A path in a private folder of this process, made on first use under the temporary folder
// and removed when the process ends normally.
QString scratchPath(const QString& name);

// The private folder itself.
QString scratchFolder();

// Writes size bytes of data to path, replacing what it held. A target that cannot write its
// input tests nothing, so a failure ends the run.
void writeScratch(const QString& path, const std::uint8_t* data, std::size_t size);

// The lines of data split at line feeds, as a server's request loop reads standard input; the
// line feeds themselves are dropped, and so is an empty remainder after the last.
QList<QByteArray> splitLines(const std::uint8_t* data, std::size_t size);

// Ends the run as a crash, naming the promise of the code under test that did not hold; the
// fuzzer then keeps the input as a reproducer.
[[noreturn]] void broken(const char* promise);

// Settings for targets that drive the renderer: one rendering thread (the machine is shared
// and the fuzzer runs one input at a time) and a small memory budget, unless the environment
// already names others.
void useSmallRenderBudget();

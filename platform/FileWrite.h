#pragma once

#include <QByteArray>

#include <cstddef>

// Writes size bytes at data to descriptor fd, going on after partial writes and signals. 0 once
// all are written, otherwise the errno of the failing write, or stalledError when a write
// wrote nothing without saying why.
int writeWhole(int fd, const char* data, std::size_t size, int stalledError);

// Puts the file at `from` in place of `to` in one step, so that a reader sees either the old
// file or the whole new one (both in one file system). 0 or the errno.
int replaceFile(const QByteArray& from, const QByteArray& to);

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// File names on this system are bytes, and most are UTF-8, but not all: old archives keep
// Latin-1 names, and any byte but "/" and NUL may appear. A name that is valid UTF-8 reads as
// its text. Every byte of a name that is not part of valid UTF-8 becomes one character of its
// own, U+DC00 plus the byte (a lone low surrogate, which no valid UTF-8 decodes to), so each
// name survives the trip through a QString and back byte for byte.
//
// Qt's own file classes encode such characters as U+FFFD and so reach another name: a path
// that may hold them goes to the system through encodeFileName.

// The text of a name or path as the system gives it.
QString decodeFileName(QByteArrayView bytes);

// The bytes the system knows the name or path by; the inverse of decodeFileName.
QByteArray encodeFileName(const QString& name);

// True when name holds a byte that is not UTF-8, which Qt's file classes would not find.
bool holdsRawBytes(const QString& name);

// The name for people to read: each byte that is not UTF-8 as "\xe9".
QString printableFileName(const QString& name);

// The name with each byte that is not UTF-8 as U+FFFD: for matching against patterns, which
// need valid text.
QString matchableFileName(const QString& name);

// The program's arguments after its own name, as the system passed them.
QStringList decodeArguments(int argc, const char* const* argv);

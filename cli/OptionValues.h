#pragma once

#include "cli/PathKeys.h"

#include <QJsonObject>

// Whether the options a report line records mean those of this run: the same names, and for
// each the same value however it is written. The output folder compares as a clean absolute
// path ("out", "./out/" and "$PWD/out" are one folder); the resolution and the quality as
// numbers ("144" is "144.0", and a JSON number counts as its text); the pages as the
// selection they stand for ("3" is "1-3", " 1-3" is "1-3"); the size as its box and the
// colour as its mode. A value that does not read as its kind compares as text.
bool SameOptions(const QJsonObject& recorded, const QJsonObject& current, PathNormaliser& paths);

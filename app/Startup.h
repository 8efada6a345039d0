#pragma once

#include <QCursor>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The number 1..100 drawn from r (0 <= r < 1); the home page opens when it is 7.
int homePageDraw(double r);
inline constexpr int HomePageNumber = 7;

// Uniform numbers in [0, 1) from a generator started at the time of day.
std::function<double()> timeOfDayRandom();

// The files a file manager hands over on the command line ("Open with", the desktop entry's
// %F), as absolute paths in their order; arguments that name no file are passed over.
QStringList filesFromArguments(const QStringList& arguments);

// A cursor from a Windows cursor (.cur) or icon file, keeping the hot spot a cursor file
// carries; nothing when the file is missing or unreadable.
std::optional<QCursor> loadCursorFile(const QString& path);

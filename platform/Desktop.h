#pragma once

#include <QString>

// Opens address in the desktop's browser through the desktop's opener (xdg-open, found on the
// PATH) without waiting for it. The address is one argument, never part of a command line.
void OpenInBrowser(const QString& address);

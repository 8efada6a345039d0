#pragma once

#include <QString>

// What Ghostscript said about one run, read from the file its messages were sent to.
struct GhostscriptMessages {
    bool needsPassword = false; // the PDF is encrypted and no given password opened it
    bool pageMissing = false;   // a page could not be drawn and is missing from the output
    QString lastError;          // the last line that reports an error, cleaned of decoration
};

GhostscriptMessages readGhostscriptMessages(const QString& path);

// The same, from the messages' text.
GhostscriptMessages parseGhostscriptMessages(const QString& text);

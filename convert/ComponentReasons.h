#pragma once

#include "convert/InputChecks.h"

struct AutomationReply;

// Where a component call failed: which component, on which PDF, writing which file.
struct ComponentCallSite {
    QString component; // "imaging component", "export component"
    QString className; // the class that was created
    QString pdfPath;
    QString outputFolderText;
    QString target;          // the file being written, or empty
    qint64 limitSeconds = 0; // how long a call may take
};

// The reason of a failed component call in the user's words, from the reply's fault (and, for a
// server that died, how it ended). A reply without a specific fault is explained by looking at
// the input and output folder.
Reason reasonOfReply(const AutomationReply& reply, const ComponentCallSite& site);

// The reason of a conversion that the user's stop ended before all its pages were written.
Reason runStopped();

#pragma once

#include "convert/ConversionOutcome.h"
#include "filelist/FolderScan.h"

#include <QString>

// A folder the command could not read counts as a failure of the run: the PDFs it holds are
// unknown, so they cannot have been converted. It is told on the console and recorded in the
// report like a PDF that failed.

// The console's warning line of the folder.
QString UnreadableFolderLine(const UnreadableFolder& folder);

// The report's outcome for the folder: failed, for the reason a PDF that cannot be read has.
ConversionOutcome UnreadableFolderOutcome(const UnreadableFolder& folder);

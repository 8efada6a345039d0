#pragma once

#include "EngineOutcome.h"
#include "MuContext.h"

#include <cstdio>

// Opening a PDF for the engine: the file, the parsed document, its password.

// Opens path for reading, only when it is a regular file that is not empty, and without ever
// waiting on a pipe or device; null with outcome saying why not.
std::FILE* openRegularFile(const QString& path, EngineOutcome& outcome);

// Parses the PDF read from file, which must stay open as long as the document; null with
// outcome saying why not (a damaged PDF, or no PDF at all).
pdf_document* openPdf(fz_context* ctx, std::FILE* file, EngineOutcome& outcome);

// Unlocks doc with password where it needs one.
EngineOutcome unlock(fz_context* ctx, pdf_document* doc, const QString& password);

#pragma once

#include "convert/ConversionOutcome.h"

#include <QString>

struct ConversionContext;
struct MethodEntry;
class PasswordRing;

// Converts one PDF with one method, the same way for the window's driver and the command's
// parallel jobs: times it, tries the run's passwords and asks for further ones when the PDF
// needs one, keeps any unexpected error to this PDF, and settles what came of it. No method
// (nothing selected) converts nothing. The context's jpgCreated flag is derived here from the
// outcome, and only here: it is clear while the procedure runs and set afterwards exactly when
// an image was written.
ConversionOutcome ConvertOnePdf(const MethodEntry* method, const QString& pdfPath,
                                ConversionContext& context, PasswordRing& passwords);

#pragma once

#include "MuContext.h"

// The number of pages of doc, rebuilding its page tree first when the catalogue has lost it
// (no /Pages, or one that is not a page tree or counts no page) while the pages themselves are
// still in the file, as other renderers recover such files. The rebuilt tree lives only in
// memory. Throws as MuPDF does.
int countPagesRepairing(fz_context* ctx, pdf_document* doc);

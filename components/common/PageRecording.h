#pragma once

#include "EngineOutcome.h"
#include "MuContext.h"

// Records page index (0-based) of doc as a display list for rendering at scale (pixels per
// point): its bounds, and whether anything on it has colour; null with error saying why not.
fz_display_list* recordPage(fz_context* ctx, pdf_document* doc, int index, float scale,
                            fz_rect& bounds, bool& colour, EngineOutcome& error);

// An empty display list with the bounds of page index, for a page drawn by other means; null
// with error saying why not.
fz_display_list* emptyPageList(fz_context* ctx, pdf_document* doc, int index, fz_rect& bounds,
                               EngineOutcome& error);

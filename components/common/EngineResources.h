#pragma once

#include "MuContext.h"
#include "PdfEngine.h"
#include "RenderPool.h"

#include <cstddef>

// What every engine of a server process shares: one MuPDF context, one pool of rendering
// threads, and the limits both are made with.

// The settings with MuPDF's cache at most a quarter of what the budget lets MuPDF take.
EngineSettings withinBudget(EngineSettings settings);

// Pages recorded and rendering beyond the current one, for a caller that said how far it goes:
// enough for every thread this server may run to have a page of its own, and at least two, so
// the threads stay busy while the next page is recorded and the answers travel.
int pagesAhead();

// One MuPDF context for every engine of the process, made by the first rather than once per
// PDF. The standard fonts a PDF does not embed, and the glyphs rendered from them, stay loaded
// from one PDF to the next. Engines run on one thread; the render pool works on clones. Never
// destroyed, like the allocator it draws on.
MuContext& sharedContext(std::size_t storeBytes);

// The rendering threads of the process, on clones of the shared context: they and their band
// buffers outlive each PDF. Never destroyed: its threads wait for work until the process ends.
RenderPool& sharedPool(MuContext& mu);

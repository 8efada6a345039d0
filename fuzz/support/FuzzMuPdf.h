#pragma once

#include "FuzzSupport.h"
#include "MemoryBudget.h"
#include "MuContext.h"

// The MuPDF context of the targets that call MuPDF themselves, drawing on the capped allocator
// as the servers' context does, under the small budget. Never destroyed, like the servers' own.
inline fz_context* fuzzContext() {
    static MuContext* mu = [] {
        useSmallRenderBudget(); // before the allocator reads its budget
        return new MuContext(32u << 20, CappedAllocator::process().context());
    }();
    return mu->get();
}

#include "EngineResources.h"

#include "BandPipeline.h"
#include "MemoryBudget.h"
#include "RunLedger.h"

#include <algorithm>

EngineSettings withinBudget(EngineSettings settings) {
    settings.storeBytes = std::min(settings.storeBytes, CappedAllocator::process().cap() / 4);
    return settings;
}

int pagesAhead() {
    return std::max(2, allowedRenderThreads());
}

MuContext& sharedContext(std::size_t storeBytes) {
    static auto* shared = new MuContext(storeBytes, CappedAllocator::process().context());
    return *shared;
}

RenderPool& sharedPool(MuContext& mu) {
    static auto* pool = new RenderPool(mu.get(), renderBudget(), renderBand, allowedRenderThreads);
    return *pool;
}

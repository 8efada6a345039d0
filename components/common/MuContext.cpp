#include "MuContext.h"

#include <new>

namespace {
void ignoreWarning(void*, const char*) {}

// Bands of one page are rendered on several threads, and by default each band decodes only the
// part of an image it needs, caching it for the next band that fits inside. Which band comes
// first then decides the pixels, so the same page could come out differently from run to run.
// Decoding whole images keeps every band, and every run, the same.
void decodeWholeImage(void*, int w, int h, int l2factor, fz_irect* subarea) {
    (void)l2factor;
    subarea->x0 = 0;
    subarea->y0 = 0;
    subarea->x1 = w;
    subarea->y1 = h;
}
} // namespace

MuContext::MuContext(std::size_t storeBytes, fz_alloc_context* alloc) {
    m_locks.user = this;
    m_locks.lock = &MuContext::lock;
    m_locks.unlock = &MuContext::unlock;
    m_ctx = fz_new_context(alloc, &m_locks, storeBytes);
    if (!m_ctx)
        throw std::bad_alloc();
    // Damaged files produce floods of warnings; the client learns what matters from answers.
    fz_set_warning_callback(m_ctx, ignoreWarning, nullptr);
    fz_set_error_callback(m_ctx, ignoreWarning, nullptr);
    fz_tune_image_decode(m_ctx, decodeWholeImage, nullptr);
}

MuContext::~MuContext() {
    fz_drop_context(m_ctx);
}

void MuContext::lock(void* user, int which) {
    static_cast<MuContext*>(user)->m_mutexes[std::size_t(which)].lock();
}

void MuContext::unlock(void* user, int which) {
    static_cast<MuContext*>(user)->m_mutexes[std::size_t(which)].unlock();
}

QString caughtMessage(fz_context* ctx) {
    return QString::fromUtf8(fz_caught_message(ctx));
}

Fault caughtFault(fz_context* ctx, Fault otherwise) {
    return fz_caught(ctx) == FZ_ERROR_MEMORY ? Fault::Memory : otherwise;
}

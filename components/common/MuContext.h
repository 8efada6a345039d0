#pragma once

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include <QString>

#include "QuickLock.h"
#include "protocol/Fault.h"
#include <array>

// A MuPDF context with the locks that let clones of it render on other threads, allocating
// through alloc (the C library's allocator when null).
class MuContext {
public:
    explicit MuContext(std::size_t storeBytes, fz_alloc_context* alloc = nullptr);
    ~MuContext();
    MuContext(const MuContext&) = delete;
    MuContext& operator=(const MuContext&) = delete;

    fz_context* get() const { return m_ctx; }

private:
    static void lock(void* user, int which);
    static void unlock(void* user, int which);

    std::array<QuickLock, FZ_LOCK_MAX> m_mutexes;
    fz_locks_context m_locks{};
    fz_context* m_ctx = nullptr;
};

// The message of the MuPDF error being caught, for use inside fz_catch.
QString caughtMessage(fz_context* ctx);

// The fault of the MuPDF error being caught: memory, or `otherwise`; inside fz_catch.
Fault caughtFault(fz_context* ctx, Fault otherwise);

#include "PageRecording.h"

#include "RecordingFilter.h"

namespace {

EngineOutcome unreadable(fz_context* ctx, int index) {
    return EngineOutcome::failure(
        caughtFault(ctx, Fault::Damaged),
        withFullStop(
            QStringLiteral("page %1 cannot be read: %2").arg(index + 1).arg(caughtMessage(ctx))));
}

} // namespace

// One pass over the page: a test device judges the colours as the page states them and passes
// everything on to the recording, with CMYK colours converted on the way.
fz_display_list* recordPage(fz_context* ctx, pdf_document* doc, int index, float scale,
                            fz_rect& bounds, bool& colour, EngineOutcome& error) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_device* recorder = nullptr;
    fz_device* converter = nullptr;
    fz_device* test = nullptr;
    int isColour = 0;
    fz_var(page);
    fz_var(list);
    fz_var(recorder);
    fz_var(converter);
    fz_var(test);
    fz_try(ctx) {
        page = fz_load_page(ctx, &doc->super, index);
        bounds = fz_bound_page(ctx, page);
        list = fz_new_display_list(ctx, bounds);
        recorder = fz_new_list_device(ctx, list);
        converter = newRecordingFilter(ctx, recorder, scale);
        // A page without colour is rendered and encoded with one channel instead of three.
        // Images are judged by their colour space, not by their pixels: the pixel check
        // reads uninitialised memory for indexed images in this MuPDF, so the same page could
        // come out grey one time and in colour the next.
        test = fz_new_test_device(ctx, &isColour, 0.01f, FZ_TEST_OPT_SHADINGS, converter);
        fz_run_page(ctx, page, test, fz_identity, nullptr);
        fz_close_device(ctx, test);
        fz_close_device(ctx, converter);
        fz_close_device(ctx, recorder);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, test);
        fz_drop_device(ctx, converter);
        fz_drop_device(ctx, recorder);
        fz_drop_page(ctx, page);
    }
    fz_catch(ctx) {
        fz_drop_display_list(ctx, list);
        error = unreadable(ctx, index);
        return nullptr;
    }
    colour = isColour != 0;
    return list;
}

fz_display_list* emptyPageList(fz_context* ctx, pdf_document* doc, int index, fz_rect& bounds,
                               EngineOutcome& error) {
    fz_page* page = nullptr;
    fz_display_list* list = nullptr;
    fz_var(page);
    fz_var(list);
    fz_try(ctx) {
        page = fz_load_page(ctx, &doc->super, index);
        bounds = fz_bound_page(ctx, page);
        list = fz_new_display_list(ctx, bounds);
    }
    fz_always(ctx) {
        fz_drop_page(ctx, page);
    }
    fz_catch(ctx) {
        error = unreadable(ctx, index);
        return nullptr;
    }
    return list;
}

#include "PageTree.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

bool isType(fz_context* ctx, pdf_obj* obj, pdf_obj* type) {
    return pdf_name_eq(ctx, pdf_dict_get(ctx, obj, PDF_NAME(Type)), type);
}

// The catalogue's page tree holds pages when its root is a tree node with kids and a count.
int intactPageCount(fz_context* ctx, pdf_document* doc) {
    pdf_obj* pages = pdf_dict_getp(ctx, pdf_trailer(ctx, doc), "Root/Pages");
    if (!pdf_is_dict(ctx, pages) || !pdf_is_array(ctx, pdf_dict_get(ctx, pages, PDF_NAME(Kids))))
        return 0;
    return pdf_count_pages(ctx, doc);
}

struct FoundObjects {
    std::vector<int> pages; // object numbers of /Type /Page, in file order of numbering
    std::vector<int> roots; // page tree nodes without a parent
};

FoundObjects findPageObjects(fz_context* ctx, pdf_document* doc) {
    FoundObjects found;
    const int count = pdf_xref_len(ctx, doc);
    for (int num = 1; num < count; ++num) {
        pdf_obj* obj = nullptr;
        fz_var(obj);
        fz_try(ctx) {
            obj = pdf_load_object(ctx, doc, num);
        }
        fz_catch(ctx) {
            continue; // a damaged object is simply not a page
        }
        if (isType(ctx, obj, PDF_NAME(Page)))
            found.pages.push_back(num);
        else if (isType(ctx, obj, PDF_NAME(Pages)) && !pdf_dict_get(ctx, obj, PDF_NAME(Parent)) &&
                 pdf_is_array(ctx, pdf_dict_get(ctx, obj, PDF_NAME(Kids))) &&
                 pdf_dict_get_int(ctx, obj, PDF_NAME(Count)) > 0)
            found.roots.push_back(num);
        pdf_drop_obj(ctx, obj);
    }
    return found;
}

// A new tree node holding every page found, in the order of their object numbers. Pages keep
// a parent they still have, so attributes they inherit from it (media box, resources) hold.
pdf_obj* newFlatTree(fz_context* ctx, pdf_document* doc, const std::vector<int>& pages) {
    pdf_obj* node = pdf_new_dict(ctx, doc, 3);
    pdf_obj* ref = nullptr;
    fz_var(ref); // set in the try, dropped in the catch
    fz_try(ctx) {
        pdf_obj* kids = pdf_dict_put_array(ctx, node, PDF_NAME(Kids), int(pages.size()));
        pdf_dict_put(ctx, node, PDF_NAME(Type), PDF_NAME(Pages));
        pdf_dict_put_int(ctx, node, PDF_NAME(Count), int64_t(pages.size()));
        ref = pdf_add_object(ctx, doc, node);
        for (const int num : pages) {
            pdf_obj* page = pdf_new_indirect(ctx, doc, num, 0);
            pdf_array_push_drop(ctx, kids, page);
            pdf_obj* resolved = pdf_resolve_indirect(ctx, page);
            if (!pdf_is_dict(ctx, pdf_dict_get(ctx, resolved, PDF_NAME(Parent))))
                pdf_dict_put(ctx, resolved, PDF_NAME(Parent), ref);
        }
    }
    fz_always(ctx) {
        pdf_drop_obj(ctx, node);
    }
    fz_catch(ctx) {
        pdf_drop_obj(ctx, ref);
        fz_rethrow(ctx);
    }
    return ref;
}

// Points the catalogue at the one tree found, or at a new tree holding every page found; the
// page count then, 0 when no page was found.
int rebuiltPageCount(fz_context* ctx, pdf_document* doc, pdf_obj* root, const FoundObjects& found) {
    if (found.roots.size() == 1) {
        // The tree is whole; only the catalogue's reference to it was lost.
        pdf_dict_put_drop(ctx, root, PDF_NAME(Pages),
                          pdf_new_indirect(ctx, doc, found.roots[0], 0));
    } else if (!found.pages.empty()) {
        pdf_dict_put_drop(ctx, root, PDF_NAME(Pages), newFlatTree(ctx, doc, found.pages));
    } else {
        return 0;
    }
    return pdf_count_pages(ctx, doc);
}

} // namespace

int countPagesRepairing(fz_context* ctx, pdf_document* doc) {
    int pages = 0;
    fz_var(pages);
    fz_try(ctx) {
        pages = intactPageCount(ctx, doc);
    }
    fz_catch(ctx) {
        pages = 0;
    }
    if (pages > 0)
        return pages;
    pdf_obj* root = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root));
    if (!pdf_is_dict(ctx, root))
        return 0;
    // MuPDF throws by a long jump, which would skip the destructor of the objects found (and
    // leak them): the error is caught while they live and thrown again once they are gone.
    int error = FZ_ERROR_NONE;
    fz_var(error);
    std::array<char, 256> message{};
    {
        const FoundObjects found = findPageObjects(ctx, doc);
        fz_try(ctx) {
            pages = rebuiltPageCount(ctx, doc, root, found);
        }
        fz_catch(ctx) {
            error = fz_caught(ctx);
            std::snprintf(message.data(), message.size(), "%s", fz_caught_message(ctx));
        }
    }
    if (error != FZ_ERROR_NONE)
        fz_throw(ctx, error, "%s", message.data());
    return pages;
}

#include "InlineImages.h"

#include "PageRecording.h"
#include "PageTree.h"
#include "PdfFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <unordered_set>

namespace {

constexpr int kDeepest = 32;      // nesting of forms, patterns, fonts and masks followed
constexpr int kStandInBytes = 64; // one pixel of any image: 32 components of 16 bits
constexpr std::size_t kUnknownComponents = 4;
constexpr int kMostComponents = FZ_MAX_COLORS;

// The colour components of an inline image's colour space (abbreviations allowed, or a name
// of the resources' ColorSpace dictionary); indexed is set for an indexed space, which MuPDF
// expands to its base colours.
std::size_t components(fz_context* ctx, pdf_obj* space, pdf_obj* resources, bool& indexed) {
    if (pdf_is_name(ctx, space)) {
        const char* name = pdf_to_name(ctx, space);
        if (!std::strcmp(name, "G") || !std::strcmp(name, "DeviceGray") ||
            !std::strcmp(name, "CalGray"))
            return 1;
        if (!std::strcmp(name, "RGB") || !std::strcmp(name, "DeviceRGB"))
            return 3;
        if (!std::strcmp(name, "CMYK") || !std::strcmp(name, "DeviceCMYK"))
            return 4;
        space = pdf_dict_get(ctx, pdf_dict_get(ctx, resources, PDF_NAME(ColorSpace)), space);
        if (pdf_is_name(ctx, space))
            return components(ctx, space, nullptr, indexed);
    }
    if (!pdf_is_array(ctx, space))
        return kUnknownComponents;
    pdf_obj* family = pdf_array_get(ctx, space, 0);
    if (pdf_name_eq(ctx, family, PDF_NAME(I)) || pdf_name_eq(ctx, family, PDF_NAME(Indexed))) {
        indexed = true;
        return 1;
    }
    if (pdf_name_eq(ctx, family, PDF_NAME(ICCBased)))
        return std::size_t(std::clamp(
            pdf_dict_get_int(ctx, pdf_array_get(ctx, space, 1), PDF_NAME(N)), 1, kMostComponents));
    if (pdf_name_eq(ctx, family, PDF_NAME(Separation)) ||
        pdf_name_eq(ctx, family, PDF_NAME(CalGray)))
        return 1;
    if (pdf_name_eq(ctx, family, PDF_NAME(DeviceN)))
        return std::size_t(
            std::clamp(pdf_array_len(ctx, pdf_array_get(ctx, space, 1)), 1, kMostComponents));
    if (pdf_name_eq(ctx, family, PDF_NAME(CalRGB)) || pdf_name_eq(ctx, family, PDF_NAME(Lab)))
        return 3;
    return kUnknownComponents;
}

// The geometry of an inline image as its dictionary states it.
struct InlineShape {
    std::size_t width = 0;
    std::size_t height = 0;
    std::size_t components = 1; // as stored: an indexed image stores its index
    std::size_t bits = 8;
    bool indexed = false;

    // What MuPDF holds decoded, counted as the census counts an image XObject.
    std::size_t decodedBytes() const { return width * height * (indexed ? 6 : components + 1); }
    std::size_t storedBytes() const { return (width * components * bits + 7) / 8 * height; }
};

InlineShape shapeOf(fz_context* ctx, pdf_obj* dict, pdf_obj* resources) {
    InlineShape shape;
    const int width = pdf_to_int(ctx, pdf_dict_geta(ctx, dict, PDF_NAME(W), PDF_NAME(Width)));
    const int height = pdf_to_int(ctx, pdf_dict_geta(ctx, dict, PDF_NAME(H), PDF_NAME(Height)));
    if (width <= 0 || height <= 0)
        return shape; // MuPDF refuses it
    shape.width = std::size_t(width);
    shape.height = std::size_t(height);
    const bool mask = pdf_to_bool(ctx, pdf_dict_geta(ctx, dict, PDF_NAME(IM), PDF_NAME(ImageMask)));
    const int bits =
        pdf_to_int(ctx, pdf_dict_geta(ctx, dict, PDF_NAME(BPC), PDF_NAME(BitsPerComponent)));
    shape.bits = mask ? 1 : std::size_t(std::clamp(bits, 1, 16));
    if (!mask)
        shape.components =
            components(ctx, pdf_dict_geta(ctx, dict, PDF_NAME(CS), PDF_NAME(ColorSpace)), resources,
                       shape.indexed);
    return shape;
}

// The image of dict at one pixel, unfiltered: it draws where the image drew, in the same
// colours, and decodes to nothing worth counting.
QByteArray standInFor(fz_context* ctx, pdf_obj* dict) {
    QByteArray text;
    pdf_obj* copy = nullptr;
    fz_buffer* buffer = nullptr;
    fz_output* out = nullptr;
    fz_var(copy);
    fz_var(buffer);
    fz_var(out);
    fz_try(ctx) {
        copy = pdf_copy_dict(ctx, dict);
        for (pdf_obj* key : {PDF_NAME(F), PDF_NAME(Filter), PDF_NAME(DP), PDF_NAME(DecodeParms),
                             PDF_NAME(L), PDF_NAME(Length), PDF_NAME(Width), PDF_NAME(Height)})
            pdf_dict_del(ctx, copy, key);
        pdf_dict_put_int(ctx, copy, PDF_NAME(W), 1);
        pdf_dict_put_int(ctx, copy, PDF_NAME(H), 1);
        buffer = fz_new_buffer(ctx, 128);
        out = fz_new_output_with_buffer(ctx, buffer);
        pdf_print_obj(ctx, out, copy, 1, 1);
        fz_close_output(ctx, out);
        unsigned char* data = nullptr;
        const std::size_t size = fz_buffer_storage(ctx, buffer, &data);
        text = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    fz_always(ctx) {
        fz_drop_output(ctx, out);
        fz_drop_buffer(ctx, buffer);
        pdf_drop_obj(ctx, copy);
    }
    fz_catch(ctx) {
        return {};
    }
    // "<<...>>" without its brackets, between BI and ID; the data holds no "EI".
    text = text.mid(2, text.size() - 4);
    return "BI " + text + " ID " + QByteArray(kStandInBytes, '\0') + "\nEI ";
}

// Reads past the data of the inline image of dict as MuPDF does (through its filters, at most
// what the image holds), then past its "EI".
void skipImageData(fz_context* ctx, pdf_document* doc, fz_stream* content, pdf_obj* dict,
                   const InlineShape& shape) {
    fz_stream* data = nullptr;
    fz_var(data);
    fz_try(ctx) {
        const std::size_t length = std::min<std::size_t>(shape.storedBytes(), INT_MAX);
        data = pdf_open_inline_stream(ctx, doc, dict, int(length), content, nullptr);
        fz_skip(ctx, data, length);
    }
    fz_always(ctx) {
        fz_drop_stream(ctx, data);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
    for (int c = fz_read_byte(ctx, content); c != EOF;) {
        if (c != 'E') {
            c = fz_read_byte(ctx, content);
            continue;
        }
        if ((c = fz_read_byte(ctx, content)) != 'I')
            continue;
        const int after = fz_peek_byte(ctx, content);
        if (after <= 32 || after == EOF || after == '<' || after == '/')
            return;
        c = fz_read_byte(ctx, content);
    }
}

class StreamScan {
public:
    StreamScan(fz_context* ctx, pdf_document* doc, std::size_t limit)
        : m_ctx(ctx), m_doc(doc), m_limit(limit) {}

    InlineImageCensus::StreamFindings scan(pdf_obj* stream, pdf_obj* resources);

private:
    void inlineImage(fz_stream* content, pdf_lexbuf& lexbuf, std::size_t begin, pdf_obj* resources);

    fz_context* m_ctx;
    pdf_document* m_doc;
    std::size_t m_limit;
    int m_object = 0;
    InlineImageCensus::StreamFindings m_found;
};

void StreamScan::inlineImage(fz_stream* content, pdf_lexbuf& lexbuf, std::size_t begin,
                             pdf_obj* resources) {
    pdf_obj* dict = pdf_parse_dict(m_ctx, m_doc, content, &lexbuf);
    fz_try(m_ctx) {
        // The white space after ID, as MuPDF reads it.
        if (fz_read_byte(m_ctx, content) == '\r' && fz_peek_byte(m_ctx, content) == '\n')
            fz_read_byte(m_ctx, content);
        const InlineShape shape = shapeOf(m_ctx, dict, resources);
        if (shape.width > 0)
            skipImageData(m_ctx, m_doc, content, dict, shape);
        const std::size_t bytes = shape.decodedBytes();
        m_found.largestBytes = std::max(m_found.largestBytes, bytes);
        if (bytes > m_limit)
            m_found.tooLarge.push_back(
                {m_object, begin, std::size_t(fz_tell(m_ctx, content)), standInFor(m_ctx, dict)});
    }
    fz_always(m_ctx) {
        pdf_drop_obj(m_ctx, dict);
    }
    fz_catch(m_ctx) {
        fz_rethrow(m_ctx);
    }
}

InlineImageCensus::StreamFindings StreamScan::scan(pdf_obj* stream, pdf_obj* resources) {
    m_object = pdf_to_num(m_ctx, stream);
    fz_stream* content = nullptr;
    pdf_lexbuf lexbuf;
    pdf_lexbuf_init(m_ctx, &lexbuf, PDF_LEXBUF_SMALL);
    fz_var(content);
    fz_try(m_ctx) {
        content = pdf_open_stream(m_ctx, stream);
        for (pdf_token token; (token = pdf_lex(m_ctx, content, &lexbuf)) != PDF_TOK_EOF;) {
            if (token == PDF_TOK_KEYWORD && !std::strcmp(lexbuf.scratch, "BI"))
                inlineImage(content, lexbuf, std::size_t(fz_tell(m_ctx, content)) - 2, resources);
        }
    }
    fz_always(m_ctx) {
        fz_drop_stream(m_ctx, content);
        pdf_lexbuf_fin(m_ctx, &lexbuf);
    }
    fz_catch(m_ctx) {
        // What was found before the damage stays; recording the page reports the damage.
    }
    return std::move(m_found);
}

// Walks what a page runs, each content stream once.
class PageWalk {
public:
    PageWalk(fz_context* ctx, pdf_document* doc, std::size_t limit,
             std::unordered_map<int, InlineImageCensus::StreamFindings>& known,
             InlineImageFindings& found)
        : m_ctx(ctx), m_doc(doc), m_limit(limit), m_known(known), m_found(found) {}

    void content(pdf_obj* stream, pdf_obj* resources, int depth);
    void resources(pdf_obj* dict, int depth);
    void appearances(pdf_obj* annotations, int depth);

private:
    bool firstVisit(pdf_obj* obj) { return m_seen.insert(pdf_resolve_indirect(m_ctx, obj)).second; }
    template <typename Each> void eachValue(pdf_obj* dict, Each each) {
        for (int i = 0, n = pdf_dict_len(m_ctx, dict); i < n; ++i)
            each(pdf_dict_get_val(m_ctx, dict, i));
    }

    fz_context* m_ctx;
    pdf_document* m_doc;
    std::size_t m_limit;
    std::unordered_map<int, InlineImageCensus::StreamFindings>& m_known;
    InlineImageFindings& m_found;
    std::unordered_set<pdf_obj*> m_seen;
};

void PageWalk::content(pdf_obj* stream, pdf_obj* resources, int depth) {
    if (depth > kDeepest || !pdf_is_stream(m_ctx, stream) || !firstVisit(stream))
        return;
    pdf_obj* own = pdf_dict_get(m_ctx, stream, PDF_NAME(Resources));
    const int object = pdf_to_num(m_ctx, stream);
    auto known = m_known.find(object);
    if (known == m_known.end()) {
        StreamScan scan(m_ctx, m_doc, m_limit);
        known = m_known.emplace(object, scan.scan(stream, own ? own : resources)).first;
    }
    m_found.largestBytes = std::max(m_found.largestBytes, known->second.largestBytes);
    m_found.tooLarge.insert(m_found.tooLarge.end(), known->second.tooLarge.begin(),
                            known->second.tooLarge.end());
    this->resources(own, depth + 1);
}

void PageWalk::resources(pdf_obj* dict, int depth) {
    if (depth > kDeepest || !pdf_is_dict(m_ctx, dict) || !firstVisit(dict))
        return;
    eachValue(pdf_dict_get(m_ctx, dict, PDF_NAME(XObject)), [&](pdf_obj* xobject) {
        if (pdf_name_eq(m_ctx, pdf_dict_get(m_ctx, xobject, PDF_NAME(Subtype)), PDF_NAME(Form)))
            content(xobject, dict, depth + 1);
    });
    eachValue(pdf_dict_get(m_ctx, dict, PDF_NAME(Pattern)), [&](pdf_obj* pattern) {
        if (pdf_dict_get_int(m_ctx, pattern, PDF_NAME(PatternType)) == 1)
            content(pattern, dict, depth + 1);
    });
    eachValue(pdf_dict_get(m_ctx, dict, PDF_NAME(Font)), [&](pdf_obj* font) {
        if (!pdf_name_eq(m_ctx, pdf_dict_get(m_ctx, font, PDF_NAME(Subtype)), PDF_NAME(Type3)))
            return;
        pdf_obj* own = pdf_dict_get(m_ctx, font, PDF_NAME(Resources));
        eachValue(pdf_dict_get(m_ctx, font, PDF_NAME(CharProcs)),
                  [&](pdf_obj* glyph) { content(glyph, own ? own : dict, depth + 1); });
    });
    eachValue(pdf_dict_get(m_ctx, dict, PDF_NAME(ExtGState)), [&](pdf_obj* state) {
        pdf_obj* mask = pdf_dict_get(m_ctx, state, PDF_NAME(SMask));
        content(pdf_dict_get(m_ctx, mask, PDF_NAME(G)), dict, depth + 1);
    });
}

void PageWalk::appearances(pdf_obj* annotations, int depth) {
    for (int i = 0, n = pdf_array_len(m_ctx, annotations); i < n; ++i) {
        pdf_obj* looks = pdf_dict_get(m_ctx, pdf_array_get(m_ctx, annotations, i), PDF_NAME(AP));
        eachValue(looks, [&](pdf_obj* look) {
            if (pdf_is_stream(m_ctx, look))
                content(look, nullptr, depth);
            else
                eachValue(look, [&](pdf_obj* state) { content(state, nullptr, depth); });
        });
    }
}

} // namespace

InlineImageFindings InlineImageCensus::scan(fz_context* ctx, pdf_document* doc, int index) {
    InlineImageFindings found;
    fz_try(ctx) {
        pdf_obj* page = pdf_lookup_page_obj(ctx, doc, index);
        pdf_obj* resources = pdf_dict_get_inheritable(ctx, page, PDF_NAME(Resources));
        PageWalk walk(ctx, doc, m_limit, m_streams, found);
        pdf_obj* contents = pdf_dict_get(ctx, page, PDF_NAME(Contents));
        if (pdf_is_array(ctx, contents)) {
            for (int i = 0, n = pdf_array_len(ctx, contents); i < n; ++i)
                walk.content(pdf_array_get(ctx, contents, i), resources, 0);
        } else {
            walk.content(contents, resources, 0);
        }
        walk.resources(resources, 0);
        walk.appearances(pdf_dict_get(ctx, page, PDF_NAME(Annots)), 0);
    }
    fz_catch(ctx) {
        // A page that cannot be looked up: recording it says why.
    }
    return found;
}

namespace {

// Puts the stand-ins of spans into the content streams of doc.
void putStandIns(fz_context* ctx, pdf_document* doc, const std::vector<InlineImageSpan>& spans) {
    std::map<int, std::vector<const InlineImageSpan*>> byObject;
    for (const InlineImageSpan& span : spans)
        byObject[span.object].push_back(&span);
    for (auto& [object, inStream] : byObject) {
        std::sort(inStream.begin(), inStream.end(),
                  [](const auto* a, const auto* b) { return a->begin < b->begin; });
        fz_buffer* original = pdf_load_stream_number(ctx, doc, object);
        fz_buffer* changed = nullptr;
        pdf_obj* ref = nullptr;
        fz_var(changed);
        fz_var(ref);
        fz_try(ctx) {
            unsigned char* data = nullptr;
            const std::size_t size = fz_buffer_storage(ctx, original, &data);
            changed = fz_new_buffer(ctx, size);
            std::size_t at = 0;
            for (const InlineImageSpan* span : inStream) {
                if (span->begin < at || span->end > size)
                    fz_throw(ctx, FZ_ERROR_GENERIC, "inline image out of place");
                fz_append_data(ctx, changed, data + at, span->begin - at);
                fz_append_data(ctx, changed, span->standIn.constData(),
                               std::size_t(span->standIn.size()));
                at = span->end;
            }
            fz_append_data(ctx, changed, data + at, size - at);
            ref = pdf_new_indirect(ctx, doc, object, 0);
            pdf_update_stream(ctx, doc, ref, changed, 0);
        }
        fz_always(ctx) {
            pdf_drop_obj(ctx, ref);
            fz_drop_buffer(ctx, changed);
            fz_drop_buffer(ctx, original);
        }
        fz_catch(ctx) {
            fz_rethrow(ctx);
        }
    }
}

} // namespace

std::optional<bool> colourWithStandIns(fz_context* ctx, const QString& path,
                                       const QString& password, int index,
                                       const std::vector<InlineImageSpan>& spans) {
    EngineOutcome outcome;
    std::FILE* file = openRegularFile(path, outcome);
    if (!file)
        return std::nullopt;
    pdf_document* copy = openPdf(ctx, file, outcome);
    fz_var(copy);
    std::optional<bool> colour;
    if (copy && unlock(ctx, copy, password).ok()) {
        fz_try(ctx) {
            countPagesRepairing(ctx, copy);
            putStandIns(ctx, copy, spans);
        }
        fz_catch(ctx) {
            pdf_drop_document(ctx, copy);
            copy = nullptr;
        }
    }
    if (copy) {
        fz_rect bounds;
        bool hasColour = true;
        if (fz_display_list* list =
                recordPage(ctx, copy, index, 1.0f, bounds, hasColour, outcome)) {
            fz_drop_display_list(ctx, list);
            colour = hasColour;
        }
    }
    pdf_drop_document(ctx, copy);
    std::fclose(file);
    return colour;
}

#include "RecordingFilter.h"

#include "ImageRows.h"

#include <lcms2.h>

#include <cmath>

namespace {

// Ghostscript's default press profile: converting through it, relative colorimetric with black
// point compensation as Ghostscript does, gives the colours Ghostscript and colour-managed
// viewers show for the same CMYK values.
constexpr const char* kCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

constexpr cmsUInt32Number kFlags = cmsFLAGS_NOCACHE | cmsFLAGS_BLACKPOINTCOMPENSATION;

// A transform from the press profile to sRGB, made when first needed (making one takes tens of
// milliseconds, which pages without CMYK should not pay) and kept for the process; null without
// the profile. Used without a cache, so threads may share it.
cmsHTRANSFORM makeTransform(cmsUInt32Number input, cmsUInt32Number output) {
    cmsHPROFILE cmyk = cmsOpenProfileFromFile(kCmykProfile, "r");
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = nullptr;
    if (cmyk && srgb)
        transform =
            cmsCreateTransform(cmyk, input, srgb, output, INTENT_RELATIVE_COLORIMETRIC, kFlags);
    if (cmyk)
        cmsCloseProfile(cmyk);
    if (srgb)
        cmsCloseProfile(srgb);
    return transform;
}

cmsHTRANSFORM pixelTransform() { // 8-bit ink amounts to 8-bit sRGB
    static const cmsHTRANSFORM made = makeTransform(TYPE_CMYK_8, TYPE_RGB_8);
    return made;
}

cmsHTRANSFORM colourTransform() { // 16-bit, for single colours
    static const cmsHTRANSFORM made = makeTransform(TYPE_CMYK_16, TYPE_RGB_16);
    return made;
}

struct RecordingFilter {
    fz_device super;
    fz_device* target;
    float scale;
    float rgb[3];
};

fz_device* targetOf(fz_device* dev) {
    return reinterpret_cast<RecordingFilter*>(dev)->target;
}

// Whether colours of cs are turned into CMYK on the way to the screen.
bool endsInCmyk(fz_context* ctx, fz_colorspace* cs) {
    for (int depth = 0; cs && depth < 4; ++depth) {
        if (fz_colorspace_is_cmyk(ctx, cs))
            return true;
        if (fz_colorspace_is_indexed(ctx, cs))
            cs = cs->u.indexed.base;
        else if (fz_colorspace_is_device_n(ctx, cs))
            cs = cs->u.separation.base;
        else
            return false;
    }
    return false;
}

// The sRGB colour of a CMYK colour (each 0..1).
void convertCmykColour(const float cmyk[4], float rgb[3]) {
    if (!colourTransform()) { // MuPDF's own formula
        for (int i = 0; i < 3; ++i)
            rgb[i] = 1.0f - std::min(1.0f, cmyk[i] + cmyk[3]);
        return;
    }
    cmsUInt16Number in[4];
    cmsUInt16Number out[3];
    for (int i = 0; i < 4; ++i)
        in[i] = cmsUInt16Number(std::lround(std::clamp(cmyk[i], 0.0f, 1.0f) * 65535.0f));
    cmsDoTransform(colourTransform(), in, out, 1);
    for (int i = 0; i < 3; ++i)
        rgb[i] = float(out[i]) / 65535.0f;
}

// Replaces cs and color by their sRGB equivalent when they end in CMYK.
void convert(fz_context* ctx, fz_device* dev, fz_colorspace*& cs, const float*& color,
             fz_color_params params) {
    if (!color || !endsInCmyk(ctx, cs) || !colourTransform())
        return;
    float cmyk[4];
    fz_convert_color(ctx, cs, color, fz_device_cmyk(ctx), cmyk, nullptr, params);
    auto* self = reinterpret_cast<RecordingFilter*>(dev);
    convertCmykColour(cmyk, self->rgb);
    cs = fz_device_rgb(ctx);
    color = self->rgb;
}

// The image with its pixels in sRGB, decoded at the resolution it is shown at (ctm in device
// pixels), or null when it needs no conversion.
fz_image* convertedImage(fz_context* ctx, fz_image* image, fz_matrix ctm) {
    if (image->imagemask || !endsInCmyk(ctx, image->colorspace) || !pixelTransform())
        return nullptr;
    fz_pixmap* decoded = nullptr;
    fz_pixmap* cmyk = nullptr;
    fz_pixmap* rgb = nullptr;
    fz_image* converted = nullptr;
    fz_var(decoded);
    fz_var(cmyk);
    fz_var(rgb);
    fz_try(ctx) {
        int w = 0, h = 0;
        decoded = fz_get_pixmap_from_image(ctx, image, nullptr, &ctm, &w, &h);
        cmyk = fz_colorspace_is_cmyk(ctx, decoded->colorspace) && !decoded->alpha
                   ? fz_keep_pixmap(ctx, decoded)
                   : fz_convert_pixmap(ctx, decoded, fz_device_cmyk(ctx), nullptr, nullptr,
                                       fz_default_color_params, 0);
        rgb = fz_new_pixmap(ctx, fz_device_rgb(ctx), cmyk->w, cmyk->h, nullptr, 0);
        rgb->xres = cmyk->xres;
        rgb->yres = cmyk->yres;
        for (int y = 0; y < cmyk->h; ++y)
            cmsDoTransform(pixelTransform(), cmyk->samples + std::ptrdiff_t(y) * cmyk->stride,
                           rgb->samples + std::ptrdiff_t(y) * rgb->stride,
                           cmsUInt32Number(cmyk->w));
        converted = fz_new_image_from_pixmap(ctx, rgb, image->mask);
        converted->interpolate = image->interpolate;
    }
    fz_always(ctx) {
        fz_drop_pixmap(ctx, rgb);
        fz_drop_pixmap(ctx, cmyk);
        fz_drop_pixmap(ctx, decoded);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
    return converted;
}

void fillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    convert(ctx, dev, cs, color, params);
    fz_fill_path(ctx, targetOf(dev), path, evenOdd, ctm, cs, color, alpha, params);
}

void strokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    convert(ctx, dev, cs, color, params);
    fz_stroke_path(ctx, targetOf(dev), path, stroke, ctm, cs, color, alpha, params);
}

void clipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_path(ctx, targetOf(dev), path, evenOdd, ctm, scissor);
}

void clipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_path(ctx, targetOf(dev), path, stroke, ctm, scissor);
}

void fillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    convert(ctx, dev, cs, color, params);
    fz_fill_text(ctx, targetOf(dev), text, ctm, cs, color, alpha, params);
}

void strokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* stroke,
                fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                fz_color_params params) {
    convert(ctx, dev, cs, color, params);
    fz_stroke_text(ctx, targetOf(dev), text, stroke, ctm, cs, color, alpha, params);
}

void clipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
              fz_rect scissor) {
    fz_clip_text(ctx, targetOf(dev), text, ctm, scissor);
}

void clipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text,
                    const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_text(ctx, targetOf(dev), text, stroke, ctm, scissor);
}

void ignoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    fz_ignore_text(ctx, targetOf(dev), text, ctm);
}

// An axial or radial shading in CMYK as a copy with its colour table in sRGB, or null for any
// other shading (meshes carry their colours in data the copy could not share, and
// function-based shadings evaluate their function while drawing: both keep MuPDF's own
// conversion). The shading itself may be drawn on other threads, so it is never changed.
fz_shade* convertedShade(fz_context* ctx, fz_shade* shade, fz_color_params params) {
    if ((shade->type != FZ_LINEAR && shade->type != FZ_RADIAL) || !shade->use_function ||
        shade->buffer || !endsInCmyk(ctx, shade->colorspace) || !colourTransform())
        return nullptr;
    auto* copy = fz_malloc_struct(ctx, fz_shade);
    *copy = *shade;
    FZ_INIT_STORABLE(copy, 1, fz_drop_shade_imp);
    copy->colorspace = fz_keep_colorspace(ctx, fz_device_rgb(ctx));
    const int n = fz_colorspace_n(ctx, shade->colorspace);
    for (auto& entry : copy->function) {
        float cmyk[4];
        fz_convert_color(ctx, shade->colorspace, entry, fz_device_cmyk(ctx), cmyk, nullptr, params);
        const float extra = entry[n]; // the value kept after the colour (its opacity)
        convertCmykColour(cmyk, entry);
        entry[3] = extra;
    }
    if (shade->use_background) {
        float cmyk[4];
        fz_convert_color(ctx, shade->colorspace, shade->background, fz_device_cmyk(ctx), cmyk,
                         nullptr, params);
        convertCmykColour(cmyk, copy->background);
    }
    return copy;
}

void fillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha,
               fz_color_params params) {
    fz_shade* converted = convertedShade(ctx, shade, params);
    fz_try(ctx) {
        fz_fill_shade(ctx, targetOf(dev), converted ? converted : shade, ctm, alpha, params);
    }
    fz_always(ctx) {
        fz_drop_shade(ctx, converted);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
}

// Keeps drawing of image (unit square in image space through ctm) to the rows its data holds,
// so what lies beneath shows where rows are missing; false when nothing is missing.
bool clipToDecodedRows(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm) {
    const int rows = decodedImageRows(ctx, image);
    if (rows >= image->h)
        return false;
    fz_path* path = fz_new_path(ctx);
    fz_try(ctx) {
        // Image space has the first row of data at the top, y = 0.
        fz_rectto(ctx, path, 0, 0, 1, float(rows) / float(image->h));
        fz_clip_path(ctx, targetOf(dev), path, 0, ctm, fz_infinite_rect);
    }
    fz_always(ctx) {
        fz_drop_path(ctx, path);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
    return true;
}

void fillImage(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm, float alpha,
               fz_color_params params) {
    const bool clipped = clipToDecodedRows(ctx, dev, image, ctm);
    const float scale = reinterpret_cast<RecordingFilter*>(dev)->scale;
    fz_image* converted = convertedImage(ctx, image, fz_concat(ctm, fz_scale(scale, scale)));
    fz_try(ctx) {
        fz_fill_image(ctx, targetOf(dev), converted ? converted : image, ctm, alpha, params);
    }
    fz_always(ctx) {
        fz_drop_image(ctx, converted);
        if (clipped)
            fz_pop_clip(ctx, targetOf(dev));
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
}

void fillImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_colorspace* cs, const float* color, float alpha, fz_color_params params) {
    convert(ctx, dev, cs, color, params);
    const bool clipped = clipToDecodedRows(ctx, dev, image, ctm);
    fz_fill_image_mask(ctx, targetOf(dev), image, ctm, cs, color, alpha, params);
    if (clipped)
        fz_pop_clip(ctx, targetOf(dev));
}

void clipImageMask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                   fz_rect scissor) {
    fz_clip_image_mask(ctx, targetOf(dev), image, ctm, scissor);
}

void popClip(fz_context* ctx, fz_device* dev) {
    fz_pop_clip(ctx, targetOf(dev));
}

void beginMask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity, fz_colorspace* cs,
               const float* backdrop, fz_color_params params) {
    convert(ctx, dev, cs, backdrop, params);
    fz_begin_mask(ctx, targetOf(dev), area, luminosity, cs, backdrop, params);
}

void endMask(fz_context* ctx, fz_device* dev) {
    fz_end_mask(ctx, targetOf(dev));
}

void beginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs, int isolated,
                int knockout, int blendmode, float alpha) {
    // A group blended in CMYK would be converted back with the plain formula.
    if (cs && endsInCmyk(ctx, cs) && colourTransform())
        cs = fz_device_rgb(ctx);
    fz_begin_group(ctx, targetOf(dev), area, cs, isolated, knockout, blendmode, alpha);
}

void endGroup(fz_context* ctx, fz_device* dev) {
    fz_end_group(ctx, targetOf(dev));
}

int beginTile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep, float ystep,
              fz_matrix ctm, int id) {
    return fz_begin_tile_id(ctx, targetOf(dev), area, view, xstep, ystep, ctm, id);
}

void endTile(fz_context* ctx, fz_device* dev) {
    fz_end_tile(ctx, targetOf(dev));
}

void renderFlags(fz_context* ctx, fz_device* dev, int set, int clear) {
    fz_render_flags(ctx, targetOf(dev), set, clear);
}

void setDefaultColorspaces(fz_context* ctx, fz_device* dev, fz_default_colorspaces* defaults) {
    fz_set_default_colorspaces(ctx, targetOf(dev), defaults);
}

void beginLayer(fz_context* ctx, fz_device* dev, const char* name) {
    fz_begin_layer(ctx, targetOf(dev), name);
}

void endLayer(fz_context* ctx, fz_device* dev) {
    fz_end_layer(ctx, targetOf(dev));
}

void closeDevice(fz_context* ctx, fz_device* dev) {
    fz_close_device(ctx, targetOf(dev));
}

} // namespace

fz_device* newRecordingFilter(fz_context* ctx, fz_device* target, float scale) {
    auto* dev = fz_new_derived_device(ctx, RecordingFilter);
    dev->target = target;
    dev->scale = scale;
    dev->super.close_device = closeDevice;
    dev->super.fill_path = fillPath;
    dev->super.stroke_path = strokePath;
    dev->super.clip_path = clipPath;
    dev->super.clip_stroke_path = clipStrokePath;
    dev->super.fill_text = fillText;
    dev->super.stroke_text = strokeText;
    dev->super.clip_text = clipText;
    dev->super.clip_stroke_text = clipStrokeText;
    dev->super.ignore_text = ignoreText;
    dev->super.fill_shade = fillShade;
    dev->super.fill_image = fillImage;
    dev->super.fill_image_mask = fillImageMask;
    dev->super.clip_image_mask = clipImageMask;
    dev->super.pop_clip = popClip;
    dev->super.begin_mask = beginMask;
    dev->super.end_mask = endMask;
    dev->super.begin_group = beginGroup;
    dev->super.end_group = endGroup;
    dev->super.begin_tile = beginTile;
    dev->super.end_tile = endTile;
    dev->super.render_flags = renderFlags;
    dev->super.set_default_colorspaces = setDefaultColorspaces;
    dev->super.begin_layer = beginLayer;
    dev->super.end_layer = endLayer;
    return &dev->super;
}

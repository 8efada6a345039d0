#pragma once

#include "MuContext.h"

// A device that passes everything on to target, with colours that end in CMYK (DeviceCMYK,
// ICC-based CMYK, which this MuPDF reads as DeviceCMYK, and separations or indexed colours
// whose base is CMYK) converted to sRGB through a press profile with Little CMS, as a
// colour-managed renderer does, instead of MuPDF's plain 1 - (c + k) formula. Images are
// converted once, at the resolution the page is recorded for (scale = device pixels per
// point), so the bands that replay the recording never convert again. Without the profile
// colours pass on unchanged.
fz_device* newCmykConvertingDevice(fz_context* ctx, fz_device* target, float scale);

// Whether a CMYK profile was found (colours are converted).
bool cmykConversionAvailable();

// The sRGB colour of a CMYK colour (each 0..1), for tests and diagnostics.
void convertCmykColour(const float cmyk[4], float rgb[3]);

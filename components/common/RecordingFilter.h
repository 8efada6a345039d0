#pragma once

#include "MuContext.h"

// A device between a page and its recording that passes everything on to target, with two
// corrections. Images whose data ends early are drawn only where rows were decoded (see
// ImageRows.h), leaving what lies beneath. Colours that end in CMYK (DeviceCMYK, ICC-based
// CMYK, which this MuPDF reads as DeviceCMYK, and separations or indexed colours whose base
// is CMYK; axial and radial shadings too) are converted to sRGB through a press profile with Little
// CMS, as a colour-managed renderer does, instead of MuPDF's plain 1 - (c + k) formula. Images are
// converted once, at the resolution the page is recorded for (scale = device pixels per point), so
// the bands that replay the recording never convert again. Without the profile colours pass
// unchanged.
fz_device* newRecordingFilter(fz_context* ctx, fz_device* target, float scale);

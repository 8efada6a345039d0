#pragma once

#include "MuContext.h"

// How many rows of image its data holds: the image's height when the data is complete (or
// cannot be told cheaply), fewer when the stream ends early. MuPDF pads the missing rows with
// zeros, black for most colour spaces; the caller draws only the rows returned, as other
// renderers do. Told for uncompressed data from its length; for Flate, LZW, run-length and fax
// data, and JPEG data without its end marker, by decoding it once, up to kLargestCheckedImage
// bytes decoded (above that the image is taken as complete, keeping the cost of the check
// bounded). JPEG 2000 and JBIG2 data are taken as complete.
int decodedImageRows(fz_context* ctx, fz_image* image);

constexpr std::size_t kLargestCheckedImage = 64u << 20;

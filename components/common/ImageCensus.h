#pragma once

#include "MuContext.h"

#include <cstddef>

// The memory MuPDF needs to decode the largest image of a recorded page drawn through ctm: it
// decodes an image whole (see MuContext), reduced by the power of two the drawing size allows,
// as the renderer itself chooses it. Nothing is decoded to find out.
std::size_t largestImageBytes(fz_context* ctx, fz_display_list* list, fz_matrix ctm);

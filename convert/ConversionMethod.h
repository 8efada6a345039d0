#pragma once

// The four conversion methods. The method table (convert/MethodTable.h) holds everything else
// about each: its stored code, its command-line name, its caption and its procedure.
enum class ConversionMethod {
    Ghostscript,
    BlackWhite,
    Acrobat,
    GflAx,
};

#include "convert/BatchFileConversion.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

void ConvertWithGhostscript(const QString& pdfPath, ConversionContext& context) {
    convertThroughScript(pdfPath, context, ghostscriptMethod());
}

void ConvertBlackWhite(const QString& pdfPath, ConversionContext& context) {
    convertThroughScript(pdfPath, context, blackWhiteMethod());
}

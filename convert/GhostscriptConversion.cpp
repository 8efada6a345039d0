#include "convert/BatchFileConversion.h"
#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

ConversionOutcome ConvertWithGhostscript(const QString& pdfPath, ConversionContext& context) {
    return convertThroughScript(pdfPath, context, ghostscriptMethod());
}

ConversionOutcome ConvertBlackWhite(const QString& pdfPath, ConversionContext& context) {
    return convertThroughScript(pdfPath, context, blackWhiteMethod());
}

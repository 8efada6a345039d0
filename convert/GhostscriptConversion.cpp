#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

// Not built yet: converts nothing.
void ConvertWithGhostscript(const QString&, ConversionContext& context) { context.jpgCreated = false; }
void ConvertBlackWhite(const QString&, ConversionContext& context) { context.jpgCreated = false; }

#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

// Not built yet: converts nothing.
void ConvertWithGflAx(const QString&, ConversionContext& context) { context.jpgCreated = false; }

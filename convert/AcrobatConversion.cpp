#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

// Not built yet: converts nothing.
void ConvertWithAcrobat(const QString&, ConversionContext& context) { context.jpgCreated = false; }

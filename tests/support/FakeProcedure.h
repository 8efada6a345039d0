#pragma once

#include "convert/ConversionContext.h"
#include "convert/Procedures.h"

#include <functional>

// A procedure that says whether it made an image the simplest way a test can: by setting the
// context's flag. The flag becomes an outcome with one image (the PDF's own path standing in
// for it), so the driver sees what a real procedure would tell it. The checks inside may
// return early as Qt Test's do.
inline ConversionProcedure
fakeProcedure(std::function<void(const QString&, ConversionContext&)> body) {
    return [body = std::move(body)](const QString& path, ConversionContext& context) {
        body(path, context);
        ConversionOutcome outcome;
        if (context.jpgCreated)
            outcome.addOutput(path);
        return outcome.settle();
    };
}

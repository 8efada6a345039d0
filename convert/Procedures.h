#pragma once

#include "convert/ConversionOutcome.h"

#include <QString>

#include <functional>

struct ConversionContext;

// One conversion procedure: converts the PDF at pdfPath and says what it wrote and, when it
// wrote less than asked, why. The outcome is its only report.
using ConversionProcedure =
    std::function<ConversionOutcome(const QString& pdfPath, ConversionContext&)>;

ConversionOutcome ConvertWithGhostscript(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertBlackWhite(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertWithAcrobat(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertWithGflAx(const QString& pdfPath, ConversionContext& context);

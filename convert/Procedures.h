#pragma once

#include "convert/ConversionMethod.h"

#include <QString>

#include <functional>

struct ConversionContext;

// One conversion procedure: converts the PDF at pdfPath and reports through
// context.jpgCreated.
using ConversionProcedure = std::function<void(const QString& pdfPath, ConversionContext&)>;

void ConvertWithGhostscript(const QString& pdfPath, ConversionContext& context);
void ConvertBlackWhite(const QString& pdfPath, ConversionContext& context);
void ConvertWithAcrobat(const QString& pdfPath, ConversionContext& context);
void ConvertWithGflAx(const QString& pdfPath, ConversionContext& context);

// The procedure of each method; tests replace entries with fakes.
struct ProcedureTable {
    ConversionProcedure acrobat = ConvertWithAcrobat;
    ConversionProcedure ghostscript = ConvertWithGhostscript;
    ConversionProcedure blackWhite = ConvertBlackWhite;
    ConversionProcedure gflax = ConvertWithGflAx;

    const ConversionProcedure& forMethod(ConversionMethod method) const;
};

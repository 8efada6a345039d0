#pragma once

#include "convert/ConversionMethod.h"
#include "convert/ConversionOutcome.h"

#include <QString>

#include <array>
#include <functional>

struct ConversionContext;

// One conversion procedure: converts the PDF at pdfPath, reports through context.jpgCreated
// and returns what it wrote and, when it wrote less than asked, why.
using ConversionProcedure =
    std::function<ConversionOutcome(const QString& pdfPath, ConversionContext&)>;

ConversionOutcome ConvertWithGhostscript(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertBlackWhite(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertWithAcrobat(const QString& pdfPath, ConversionContext& context);
ConversionOutcome ConvertWithGflAx(const QString& pdfPath, ConversionContext& context);

// Everything the program knows about one method, in one place.
struct MethodDescriptor {
    ConversionMethod method;
    QString name;    // on the command line and in the report
    QString caption; // of the window's option
    ConversionProcedure procedure;
};

// The four methods, in the order of their codes.
const std::array<MethodDescriptor, 4>& conversionMethods();
const MethodDescriptor& descriptorOf(ConversionMethod method);

// The procedure of each method, taken from the method table; tests replace entries with fakes.
class ProcedureTable {
public:
    ProcedureTable();
    const ConversionProcedure& forMethod(ConversionMethod method) const;
    void replace(ConversionMethod method, ConversionProcedure procedure);

private:
    std::array<ConversionProcedure, 4> m_procedures;
};

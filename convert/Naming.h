#pragma once

#include "convert/OutputNaming.h"

#include <QString>

struct ConversionContext;

// The file name of pdfPath cut before its first "."; "" for a name that starts with ".".
QString PdfBaseName(const QString& pdfPath);

// The text that output file names are appended to. The output folder text is used as it
// stands, except that a text naming an existing folder without the trailing separator gets one,
// so that images land inside that folder rather than beside it under run-together names.
QString outputPrefix(const QString& outputFolderText);

// The path a procedure writes the image of page (its position-th image) of pdfPath to: after
// the output folder text as the view gives it now, as the command's naming has it when there
// is one (its folders made), otherwise as the method names it in the window.
QString ImagePathFor(const ConversionContext& context, const QString& pdfPath, int page,
                     int position, PageNumbering numbering);

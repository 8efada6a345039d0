#pragma once

#include <QString>

// The file name of pdfPath cut before its first "."; "" for a name that starts with ".".
QString PdfBaseName(const QString& pdfPath);

// The text that output file names are appended to. The output folder text is used as it
// stands, except that a text naming an existing folder without the trailing separator gets one,
// so that images land inside that folder rather than beside it under run-together names.
QString outputPrefix(const QString& outputFolderText);

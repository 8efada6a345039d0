#pragma once

#include "pdffile/PdfObjects.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The decoded data of a stream whose dictionary is `dictionary`: no filter, or FlateDecode
// with or without a PNG predictor, the forms cross-reference and object streams take. Nothing
// for other filters, damaged data, or data that would decode to more than maxBytes (a file
// made to exhaust memory).
std::optional<QByteArray> DecodeStream(const PdfObject& dictionary, QByteArrayView data,
                                       qsizetype maxBytes);

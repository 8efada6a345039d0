#pragma once

#include "convert/ConversionOutcome.h"

#include <QString>

struct CopyResult;

// A reason and its sentence; code None when nothing is wrong.
struct Reason {
    ReasonCode code = ReasonCode::None;
    QString text;

    bool found() const { return code != ReasonCode::None; }
};

// text, which may quote a component's or another program's message, as the end of a sentence:
// trimmed, with one full stop.
QString asSentence(QString text);

// What is wrong with the file at pdfPath as the input of a conversion, judged from the file
// system and the file's first bytes: missing, not a regular file, empty or not a PDF.
Reason inputProblem(const QString& pdfPath);

// Only the checks that need no reading: missing, or not a regular file (a pipe would block a
// reader for ever).
Reason inputTypeProblem(const QString& pdfPath);

// The folder that images named "<prefix><name>" land in: the prefix up to its last "/", or
// the current folder.
QString outputFolderOfPrefix(const QString& prefix);

// What keeps images from being written under the output folder text: a folder that does not
// exist or that may not be written.
Reason outputFolderProblem(const QString& outputFolderText);

// Why an image could not be copied to target below the output folder text: a rendered page
// that could not be read back, the output folder, or the write itself.
Reason copyOutProblem(const CopyResult& copy, const QString& target,
                      const QString& outputFolderText);

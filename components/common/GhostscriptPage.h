#pragma once

#include <QString>

class QIODevice;

// One page rendered by Ghostscript, for a page MuPDF cannot render within the memory budget:
// Ghostscript streams images through its bands instead of decoding them whole.
struct GhostscriptPage {
    QString pdf;
    int page = 1; // 1 = first
    double dpi = 72;
    bool colour = true; // otherwise greyscale, as MuPDF would have saved it
    int quality = 90;
    QString password; // of a protected PDF

    // Writes the page as a JPEG to out; an empty text on success, otherwise the reason.
    QString renderInto(QIODevice& out) const;

private:
    QString renderTo(const QString& target) const;
};

// A PDF through the engine as the imaging component takes it: any bytes opened as a PDF, the
// first page rendered at 36 dpi and saved as a JPEG.
#include "FuzzSupport.h"
#include "PdfEngine.h"

#include <QFile>

namespace {

constexpr double kDpi = 36.0;

// Whether the file holds a whole JPEG: its start marker first, its end marker last.
bool isWholeJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return bytes.startsWith("\xFF\xD8") && bytes.endsWith("\xFF\xD9");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useSmallRenderBudget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString pdf = scratchPath(QStringLiteral("in.pdf"));
    static const QString jpeg = scratchPath(QStringLiteral("out.jpg"));
    writeScratch(pdf, data, size);
    QFile::remove(jpeg);
    // A fresh engine for every input: one engine keeps a document while the file looks the
    // same, and two inputs of one size written within a second would look the same.
    PdfEngine engine;
    if (!engine.openDocument(pdf).ok())
        return 0;
    if (engine.pageCount() < 1)
        broken("an open document has a page");
    if (!engine.loadPage(1, kDpi).ok())
        return 0;
    if (engine.saveJpeg(jpeg).ok() && !isWholeJpeg(jpeg))
        broken("a saved page is a whole JPEG");
    return 0;
}

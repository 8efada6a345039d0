#include "pdffile/PageEstimate.h"

#include "pdffile/PdfFile.h"
#include "platform/ExactFiles.h"

#include <QFile>

#include <algorithm>

namespace {

// A page tree claiming more pages than any real document has is taken as damage.
constexpr qint64 MaxPages = 10'000'000;

class MemorySource : public PdfSource {
public:
    explicit MemorySource(QByteArrayView bytes) : m_bytes(bytes) {}
    qint64 size() const override { return m_bytes.size(); }
    QByteArray read(qint64 offset, qint64 length) override {
        if (offset < 0 || offset >= m_bytes.size() || length <= 0)
            return {};
        return m_bytes.sliced(offset, std::min(length, m_bytes.size() - offset)).toByteArray();
    }

private:
    QByteArrayView m_bytes;
};

class FileSource : public PdfSource {
public:
    FileSource(QFile& file, qint64 size) : m_file(file), m_size(size) {}
    qint64 size() const override { return m_size; }
    QByteArray read(qint64 offset, qint64 length) override {
        if (offset < 0 || offset >= m_size || length <= 0 || !m_file.seek(offset))
            return {};
        return m_file.read(std::min(length, m_size - offset));
    }

private:
    QFile& m_file;
    qint64 m_size;
};

std::optional<qint64> pageCount(PdfSource& source) {
    PdfFile file(source);
    if (!file.open())
        return std::nullopt;
    const std::optional<PdfObject> catalog = file.resolved(*file.trailer().value("Root"));
    const PdfObject* pagesEntry = catalog ? catalog->value("Pages") : nullptr;
    const std::optional<PdfObject> pages = pagesEntry ? file.resolved(*pagesEntry) : std::nullopt;
    const PdfObject* countEntry = pages ? pages->value("Count") : nullptr;
    const std::optional<PdfObject> count = countEntry ? file.resolved(*countEntry) : std::nullopt;
    const std::optional<qint64> number = count ? count->integer() : std::nullopt;
    if (!number || *number < 0 || *number > MaxPages)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<qint64> ReadPageCount(QByteArrayView pdf) {
    MemorySource source(pdf);
    return pageCount(source);
}

PageEstimate EstimatePages(const QString& path, qint64 size) {
    QFile file;
    if (openExactly(file, path, QIODevice::ReadOnly | QIODevice::Unbuffered) == 0) {
        FileSource source(file, size);
        if (const std::optional<qint64> pages = pageCount(source))
            return {*pages, PageEstimate::Source::PageTree};
    }
    const qint64 pages =
        std::clamp<qint64>((size + BytesPerPage - 1) / BytesPerPage, 1, MaxPagesFromBytes);
    return {size > 0 ? pages : 0, PageEstimate::Source::Bytes};
}

#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// How many pages a PDF has, as far as a quick look can tell, to weigh it against others.
struct PageEstimate {
    enum class Source {
        PageTree, // the /Count of the catalog's page tree
        Bytes,    // the file's size, read as pages (BytesPerPage), at most MaxPagesFromBytes
    };
    qint64 pages = 0;
    Source source = Source::Bytes;
};

// A file whose page tree cannot be read weighs as a page per this many bytes, and at most
// MaxPagesFromBytes pages: a damaged scan of a gigabyte then weighs like a long document,
// not like a whole archive.
constexpr qint64 BytesPerPage = 64 * 1024;
constexpr qint64 MaxPagesFromBytes = 1000;

// The page count the PDF's page tree gives, read without rendering: the cross-reference
// sections from "startxref" on, the trailer's /Root, the catalog's /Pages and its /Count. A
// few small pieces of the file are read, whatever its length. Nothing for a file that is no
// PDF, or one too damaged (or encrypted where it matters) to be read so.
std::optional<qint64> ReadPageCount(QByteArrayView pdf);

// The estimate for the PDF file at path, size bytes long: its page count, or when that cannot
// be read, its size in pages. Deterministic: the same file always weighs the same.
PageEstimate EstimatePages(const QString& path, qint64 size);

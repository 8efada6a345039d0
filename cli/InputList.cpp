#include "cli/InputList.h"

#include "cli/RecordReader.h"
#include "filelist/FolderScan.h"
#include "pdffile/PageEstimate.h"
#include "platform/FileNames.h"
#include "platform/NativeNames.h"

#include <QFile>

#include <thread>

QString ReadInputList(QIODevice& list, ListSeparator separator, PathList& paths) {
    RecordReader reader(list, separator == ListSeparator::Nul ? '\0' : '\n');
    RecordReader::Record entry;
    while (reader.next(entry)) {
        QByteArrayView path = entry.bytes;
        if (separator == ListSeparator::Line && path.endsWith('\r'))
            path.chop(1);
        if (!path.isEmpty())
            paths.append(path);
    }
    return reader.error();
}

QString ReadInputList(const QString& listFile, ListSeparator separator, PathList& paths) {
    QFile file;
    const bool standardInput = listFile == QLatin1String("-");
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(listFile),
                                         file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const QString error = opened ? ReadInputList(file, separator, paths) : file.errorString();
    if (error.isEmpty())
        return {};
    return QStringLiteral("cannot read %1: %2").arg(listFile, error);
}

InputLookup LookUpInput(PathLookups& lookups, QByteArrayView path, Weighing weighing) {
    const PathLookup entry = lookups.lookUp(path);
    if (entry.folder)
        return {true, {}};
    if (weighing == Weighing::None || entry.size == 0)
        return {false, {}};
    const PageEstimate estimate = EstimatePages(PathList::text(path), entry.size);
    return {false, {estimate.pages, estimate.source == PageEstimate::Source::PageTree}};
}

std::vector<QByteArray> PdfsInFolder(QByteArrayView folder, QStringList& emptyFolders,
                                     QList<UnreadableFolder>& unreadable) {
    const PdfFileScan found = ScanPdfFiles(PathList::text(folder));
    if (found.pdfs.isEmpty() && found.unreadable.isEmpty())
        emptyFolders.append(PathList::text(folder));
    unreadable.append(found.unreadable);
    std::vector<QByteArray> pdfs;
    pdfs.reserve(static_cast<std::size_t>(found.pdfs.size()));
    for (const QString& pdf : found.pdfs)
        pdfs.push_back(encodeFileName(pdf));
    return pdfs;
}

void InputLookups::add(QByteArrayView path) {
    m_batch.append(path);
    if (m_batch.size() == BatchSize)
        flush();
}

void InputLookups::flush() {
    for (const QByteArrayView path : m_batch)
        m_paths.push_back(path);
    m_found.resize(m_paths.size());
    const std::size_t half = m_paths.size() >= SplitFrom ? m_paths.size() / 2 : m_paths.size();
    auto lookUpPart = [this](std::size_t from, std::size_t to, PathLookups& lookups) {
        for (std::size_t n = from; n < to; ++n)
            m_found[n] = LookUpInput(lookups, m_paths[n], m_weighing);
    };
    std::thread second;
    if (half < m_paths.size())
        second = std::thread(lookUpPart, half, m_paths.size(), std::ref(m_lookups[1]));
    lookUpPart(0, half, m_lookups[0]);
    if (second.joinable())
        second.join();
    for (std::size_t n = 0; n < m_paths.size(); ++n)
        m_take(m_paths[n], m_found[n]);
    m_paths.clear();
    m_batch = PathList();
}

InputFiles CollectInputs(PathList&& paths, Weighing weighing) {
    InputFiles inputs;
    InputLookups lookups(weighing, [&](QByteArrayView path, const InputLookup& entry) {
        if (!entry.folder) {
            inputs.pdfs.append(path);
            if (weighing != Weighing::None)
                inputs.weights.push_back(entry.weight);
            return;
        }
        for (const QByteArray& pdf : PdfsInFolder(path, inputs.emptyFolders, inputs.unreadable)) {
            inputs.pdfs.append(pdf);
            if (weighing != Weighing::None)
                inputs.weights.push_back(lookups.lookUpNow(pdf).weight);
        }
    });
    paths.drain([&](QByteArrayView path) { lookups.add(path); });
    lookups.flush();
    return inputs;
}

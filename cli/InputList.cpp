#include "cli/InputList.h"

#include "cli/RecordReader.h"
#include "filelist/FolderScan.h"
#include "pdffile/PageEstimate.h"
#include "platform/FileNames.h"
#include "platform/NativeNames.h"

#include <QFile>

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

InputLookup LookUpInput(QByteArrayView path, Weighing weighing) {
    const QByteArray encoded = path.toByteArray();
    const PathLookup entry = LookUpEncodedPath(encoded);
    if (entry.folder)
        return {true, 0};
    if (weighing == Weighing::None || entry.size == 0)
        return {false, 0};
    return {false, EstimatePages(PathList::text(path), entry.size).pages};
}

PdfFileScan PdfsInFolder(QByteArrayView folder) {
    return ScanPdfFiles(PathList::text(folder));
}

InputFiles CollectInputs(PathList&& paths, Weighing weighing) {
    InputFiles inputs;
    paths.drain([&](QByteArrayView path) {
        const InputLookup entry = LookUpInput(path, weighing);
        if (!entry.folder) {
            inputs.pdfs.append(path);
            if (weighing != Weighing::None)
                inputs.weights.push_back(entry.weight);
            return;
        }
        const PdfFileScan found = PdfsInFolder(path);
        // A folder that could not be read all through may hold PDFs: it is not called empty.
        if (found.pdfs.isEmpty() && found.unreadable.isEmpty())
            inputs.emptyFolders.append(PathList::text(path));
        inputs.unreadable.append(found.unreadable);
        for (const QString& pdf : found.pdfs) {
            const QByteArray encoded = encodeFileName(pdf);
            inputs.pdfs.append(encoded);
            if (weighing != Weighing::None)
                inputs.weights.push_back(LookUpInput(encoded, weighing).weight);
        }
    });
    return inputs;
}

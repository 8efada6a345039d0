#include "cli/InputList.h"

#include "filelist/FolderScan.h"
#include "platform/FileNames.h"
#include "platform/NativeNames.h"

#include <QFile>

#include <cstring>

namespace {

QByteArray readAll(const QString& listFile, QString& error) {
    QFile file;
    const bool standardInput = listFile == QLatin1String("-");
    const bool opened = standardInput
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(listFile), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(listFile, file.errorString());
        return {};
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        error = QStringLiteral("cannot read %1: %2").arg(listFile, file.errorString());
    return content;
}

} // namespace

InputListRead ReadInputList(const QString& listFile, ListSeparator separator) {
    InputListRead read;
    const QByteArray content = readAll(listFile, read.error);
    if (!read.error.isEmpty())
        return read;
    const char end = separator == ListSeparator::Nul ? '\0' : '\n';
    const char* data = content.constData();
    const char* const last = data + content.size();
    while (data < last) {
        const void* found = std::memchr(data, end, static_cast<std::size_t>(last - data));
        const char* stop = found ? static_cast<const char*>(found) : last;
        qsizetype length = stop - data;
        if (separator == ListSeparator::Line && length > 0 && data[length - 1] == '\r')
            --length;
        if (length > 0)
            read.paths.append(decodeFileName(QByteArrayView(data, length)));
        data = stop + 1;
    }
    return read;
}

InputFiles CollectInputs(const QStringList& paths) {
    InputFiles inputs;
    inputs.pdfs.reserve(paths.size());
    inputs.sizes.reserve(static_cast<std::size_t>(paths.size()));
    for (const QString& path : paths) {
        const PathLookup entry = LookUpPath(path);
        if (!entry.folder) {
            inputs.pdfs.append(path);
            inputs.sizes.push_back(entry.size);
            continue;
        }
        const QStringList found = CollectPdfFiles(path);
        if (found.isEmpty())
            inputs.emptyFolders.append(path);
        for (const QString& pdf : found) {
            inputs.pdfs.append(pdf);
            inputs.sizes.push_back(LookUpPath(pdf).size);
        }
    }
    return inputs;
}

#include "FuzzSupport.h"

#include "protocol/Environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

QString scratchFolder() {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/pagekiln-fuzz-XXXXXX"));
    if (!folder.isValid())
        broken("a scratch folder can be made");
    return folder.path();
}

QString scratchPath(const QString& name) {
    return scratchFolder() + QLatin1Char('/') + name;
}

void writeScratch(const QString& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    const bool written = file && (size == 0 || std::fwrite(data, 1, size, file) == size);
    if (!file || std::fclose(file) != 0 || !written)
        broken("the input can be written to a scratch file");
}

QList<QByteArray> splitLines(const std::uint8_t* data, std::size_t size) {
    const QByteArray text =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines)
        line.detach(); // the input's bytes are gone after the run
    return lines;
}

void broken(const char* promise) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

void useSmallRenderBudget() {
    if (!qEnvironmentVariableIsSet(Environment::kRenderThreads))
        qputenv(Environment::kRenderThreads, "1");
    if (!qEnvironmentVariableIsSet(Environment::kMemoryMegabytes))
        qputenv(Environment::kMemoryMegabytes, "256");
}

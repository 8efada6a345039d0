// The list reader of --files-from, on any list file, read both as lines and as NUL-separated
// entries. Kept to the public reading function alone, so that it follows the reader wherever
// it goes.
#include "FuzzSupport.h"
#include "cli/InputList.h"

#include <algorithm>

namespace {

void readAs(const QString& list, ListSeparator separator, qsizetype separators) {
    PathList paths;
    if (!ReadInputList(list, separator, paths).isEmpty())
        broken("a list that exists and can be read is read");
    if (paths.size() > separators + 1)
        broken("a list holds at most one path more than separators");
    for (const QByteArrayView path : paths) {
        if (path.isEmpty())
            broken("empty entries are left out");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString list = scratchPath(QStringLiteral("list"));
    writeScratch(list, data, size);
    readAs(list, ListSeparator::Line, std::count(data, data + size, '\n'));
    readAs(list, ListSeparator::Nul, std::count(data, data + size, '\0'));
    return 0;
}

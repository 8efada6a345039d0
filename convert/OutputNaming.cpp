#include "convert/OutputNaming.h"

#include "convert/Naming.h"
#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// "{page}" or "{page:03}": the width, 0 for none; nullopt for any other token.
std::optional<int> pageToken(QStringView token) {
    static const QRegularExpression page(QStringLiteral("^page(?::0([1-9]))?$"));
    const QRegularExpressionMatch match = page.match(token.toString());
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).isEmpty() ? 0 : match.captured(1).toInt();
}

bool knownToken(QStringView token) {
    return token == QLatin1String("stem") || token == QLatin1String("base") ||
           token == QLatin1String("dir") || pageToken(token).has_value();
}

// Walks the pattern: calls literal(text) for plain text and token(name) for each token; false
// (with error) for a pattern that cannot be read.
template <typename Literal, typename Token>
bool walk(const QString& pattern, Literal literal, Token token, QString* error = nullptr) {
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if ((c == u'{' || c == u'}') && i + 1 < pattern.size() && pattern.at(i + 1) == c) {
            literal(QString(c));
            ++i;
        } else if (c == u'{') {
            const qsizetype close = pattern.indexOf(u'}', i);
            const QStringView name =
                close < 0 ? QStringView() : QStringView(pattern).mid(i + 1, close - i - 1);
            if (close < 0 || !knownToken(name)) {
                if (error)
                    *error = QStringLiteral("--name: unknown token %1")
                                 .arg(pattern.mid(i, close < 0 ? -1 : close - i + 1));
                return false;
            }
            token(name);
            i = close;
        } else if (c == u'}') {
            if (error)
                *error = QStringLiteral("--name: a } without its {");
            return false;
        } else {
            literal(QString(c));
        }
    }
    return true;
}

} // namespace

QString TreeFolderOf(const QString& pdfPath) {
    const QString folder = QDir::cleanPath(QFileInfo(pdfPath).path());
    if (folder == QLatin1String("."))
        return {};
    const bool above = folder == QLatin1String("..") || folder.startsWith(QLatin1String("../"));
    if (QDir::isRelativePath(folder) && !above)
        return folder + QLatin1Char('/');
    const QString absolute = QDir::cleanPath(QFileInfo(pdfPath).absolutePath());
    return absolute == QLatin1String("/") ? QString() : absolute.mid(1) + QLatin1Char('/');
}

QString PdfStem(const QString& pdfPath) {
    const QString name = FileNameFromPath(pdfPath);
    return name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? name.chopped(4) : name;
}

std::optional<OutputNaming> OutputNaming::fromPattern(const QString& pattern, QString& error) {
    int pages = 0;
    QString literal;
    if (!walk(
            pattern, [&](const QString& text) { literal += text; },
            [&](QStringView token) {
                pages += pageToken(token).has_value();
                literal += QLatin1Char('x');
            },
            &error))
        return std::nullopt;
    if (pages == 0) {
        error = QStringLiteral("--name needs {page} (or {page:0N}): each page needs a name");
        return std::nullopt;
    }
    if (literal.startsWith(QLatin1Char('/')) ||
        literal.split(QLatin1Char('/')).contains(QLatin1String(".."))) {
        error = QStringLiteral("--name makes names below the output folder only");
        return std::nullopt;
    }
    OutputNaming naming;
    naming.m_pattern = pattern;
    return naming;
}

bool OutputNaming::makesFolders() const {
    return m_keepTree || m_pattern.contains(QLatin1Char('/')) ||
           m_pattern.contains(QLatin1String("{dir}"));
}

int OutputNaming::pageWidth() const {
    int width = 0;
    walk(
        m_pattern, [](const QString&) {},
        [&](QStringView token) { width = std::max(width, pageToken(token).value_or(0)); });
    return width;
}

QString OutputNaming::render(const QString& pdfPath, const QString& page) const {
    QString name;
    walk(
        m_pattern, [&](const QString& text) { name += text; },
        [&](QStringView token) {
            if (token == QLatin1String("stem"))
                name += PdfStem(pdfPath);
            else if (token == QLatin1String("base"))
                name += PdfBaseName(pdfPath);
            else if (token == QLatin1String("dir"))
                name += TreeFolderOf(pdfPath);
            else if (page.front() == Marker)
                name += page;
            else
                name += page.rightJustified(*pageToken(token), QLatin1Char('0'));
        });
    return name;
}

QString OutputNaming::folderFor(const QString& outputPrefix, const QString& pdfPath) const {
    return m_keepTree ? outputPrefix + TreeFolderOf(pdfPath) : outputPrefix;
}

QString OutputNaming::imagePath(const QString& outputPrefix, const QString& pdfPath, int page,
                                int position, PageNumbering numbering) const {
    const QString folder = folderFor(outputPrefix, pdfPath);
    if (hasPattern())
        return folder + render(pdfPath, QString::number(page));
    const QString base = PdfBaseName(pdfPath);
    switch (numbering) {
    case PageNumbering::Positions:
        return folder + base + QStringLiteral("-%1.jpg").arg(position, 3, 10, QLatin1Char('0'));
    case PageNumbering::ExportPages:
        return folder + base + QStringLiteral("_Page_%1.jpg").arg(page);
    case PageNumbering::Appended:
        break;
    }
    return folder + base + QString::number(page) + QStringLiteral(".jpg");
}

QString OutputNaming::family(const QString& outputPrefix, const QString& pdfPath,
                             PageNumbering numbering, int* width) const {
    const QString folder = folderFor(outputPrefix, pdfPath);
    int digits = 0;
    QString name;
    if (hasPattern()) {
        name = render(pdfPath, QString(Marker));
        digits = pageWidth();
    } else {
        const QString base = PdfBaseName(pdfPath);
        const QString marker(Marker);
        switch (numbering) {
        case PageNumbering::Positions:
            name = base + QLatin1Char('-') + marker + QStringLiteral(".jpg");
            digits = 3;
            break;
        case PageNumbering::ExportPages:
            name = base + QStringLiteral("_Page_") + marker + QStringLiteral(".jpg");
            break;
        case PageNumbering::Appended:
            name = base + marker + QStringLiteral(".jpg");
            break;
        }
    }
    if (width)
        *width = digits;
    return folder + name;
}

#include "cli/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

#include <vector>

namespace CommandLine {
namespace {

struct OptionText {
    QStringList names; // the short name first, when there is one
    QString valueName; // empty for an option without a value
    QString description;
};

const std::vector<OptionText> OptionTexts{
    {{"m", method}, "NAME", "conversion method: gflax (the default), ghostscript, bw or acrobat"},
    {{"o", output}, "DIR", "output folder, made when missing (default: the current folder)"},
    {{"p", pages},
     "PAGES",
     "pages to convert: a count N (the first N pages), 'all' (the default), or a list such "
     "as 1-3,7,10-N where N is the last page"},
    {{"r", resolution}, "DPI", "resolution in dots per inch (default: 144)"},
    {{quality}, "Q", "JPEG quality from 1 to 100 (default: 90)"},
    {{colour},
     "MODE",
     "auto (grey when a page has no colour; the method's own choice), rgb (always three "
     "channels) or grey"},
    {{size}, "WxH", "fit each page in a box of W x H pixels, keeping its aspect"},
    {{keepTree},
     {},
     "write each PDF's images below the output folder in the PDF's own folder as given (an "
     "absolute one without its leading /), so that equal names in different folders never "
     "meet"},
    {{name},
     "PATTERN",
     "name the images by PATTERN: {stem} the file name without .pdf, {base} the name up to "
     "its first '.', {dir} the PDF's folder, {page} the page number, {page:03} with at "
     "least 3 digits; for example {stem}-{page:03}.jpg"},
    {{fromWindow},
     {},
     "take the method, output folder, resolution and pages the Pagekiln window saved, and "
     "read them as the window does"},
    {{"j", jobs},
     "N",
     "convert up to N PDF files at once (default: processors; at most 256, and no more than "
     "the open-file limit allows)"},
    {{"q", quiet}, {}, "print warnings only"},
    {{passwordFile},
     "FILE",
     "passwords for protected PDFs, one a line, each tried in turn (- reads standard input)"},
    {{report},
     "FILE",
     "append one JSON line per PDF: what was written and why not (- writes standard output)"},
    {{resume},
     {},
     "skip the PDFs the report records as converted with the same method and options, as "
     "a run stopped part way goes on"},
    {{filesFrom},
     "FILE",
     "also convert the paths listed in FILE, one a line (- reads standard input); relative "
     "paths start at the current folder"},
    {{null}, {}, "entries of --files-from end with a NUL character, not a line end"},
    {{shard},
     "K/N",
     "convert only share K of N of the PDFs: N runs with the same list convert each page "
     "once between them (a long PDF's pages may go to several shares)"},
    {{dryRun}, {}, "print the PDFs this run would convert, one a line; convert none"},
    {{"h", help}, {}, "show this help and exit"},
    {{version}, {}, "show the version and exit"},
};

const char* const Description =
    "Converts PDF files, and every PDF file found in the given folders and below them, to JPG\n"
    "images in the output folder: one image a page, named after the PDF (report.pdf gives\n"
    "report1.jpg, report2.jpg, ... with the gflax method; report-001.jpg, ... with ghostscript\n"
    "and bw).\n";

const char* const Epilogue =
    "Options a method cannot honour (--size with ghostscript or bw, --colour rgb with bw) are\n"
    "refused before anything starts.\n"
    "\n"
    "PDFs whose images would get the same names (equal base names, or \"Invoice 1\" page 11 and\n"
    "\"Invoice 11\" page 1) are listed before the run; the later PDF's images replace the\n"
    "earlier's, and the report marks them with \"replaces\". --keep-tree or --name keeps them\n"
    "apart.\n"
    "\n"
    "A PDF that gave no JPG, or stopped part way, gets a line \"Could not create JPG on PATH:\n"
    "REASON\".\n"
    "\n"
    "Exit status:\n"
    "  0    every PDF was converted\n"
    "  1    a PDF was not converted, or only partly, or a folder could not be read, or\n"
    "       the folders given hold no PDF\n"
    "  2    the command line could not be used\n"
    "  130  stopped by SIGINT (Ctrl+C); 143 by SIGTERM; 129 by SIGHUP\n"
    "\n"
    "A first signal lets the pages under way finish and starts no further PDF; a second one\n"
    "ends at once. Either way no working file is left behind.\n";

QString namesOf(const OptionText& option) {
    QStringList names;
    for (const QString& name : option.names)
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString text = QStringLiteral("  ") + names.join(QStringLiteral(", "));
    if (!option.valueName.isEmpty())
        text += QLatin1Char(' ') + option.valueName;
    return text;
}

// The option's names, then its description in lines of at most 79 characters from column 24.
QString wrapped(const QString& names, const QString& description) {
    constexpr qsizetype Indent = 24;
    constexpr qsizetype Width = 79;
    QStringList lines;
    QString line = names;
    if (line.size() > Indent - 2) {
        lines.append(line);
        line.clear();
    }
    line = line.leftJustified(Indent, QLatin1Char(' '));
    bool lineEmpty = true;
    for (const QString& word : description.split(QLatin1Char(' '))) {
        if (!lineEmpty && line.size() + 1 + word.size() > Width) {
            lines.append(line);
            line = QString(Indent, QLatin1Char(' '));
            lineEmpty = true;
        }
        if (!lineEmpty)
            line += QLatin1Char(' ');
        line += word;
        lineEmpty = false;
    }
    lines.append(line);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

void describe(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionText& option : OptionTexts)
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
}

QString helpText(const QCommandLineParser&) {
    QString text = QStringLiteral("Usage: pagekiln-convert [OPTION]... PATH...\n\n") +
                   QLatin1String(Description) + QStringLiteral("\nOptions:\n");
    for (const OptionText& option : OptionTexts)
        text += wrapped(namesOf(option), option.description);
    return text + QLatin1Char('\n') + QLatin1String(Epilogue);
}

} // namespace CommandLine

#include "cli/CliOptions.h"

#include "platform/AppSettings.h"
#include <algorithm>

#include "convert/MethodTable.h"

#include <algorithm>

namespace {

CliOptions storedDefaults(const StoredChoices& stored, int defaultJobs) {
    CliOptions options;
    // A stored code other than the four keeps the window's design choice, Ghostscript.
    options.method = methodFromCode(stored.option).value_or(ConversionMethod::Ghostscript);
    options.outputFolder = stored.localFolder;
    options.resolution = stored.resolution;
    options.pages = stored.pages;
    options.jobs = std::clamp(defaultJobs, 1, MaxJobs);
    return options;
}

// An option that takes no value: what it sets.
bool takeFlag(const QString& name, CliOptions& options) {
    if (name == QLatin1String("--quiet"))
        options.quiet = true;
    else if (name == QLatin1String("--null"))
        options.listSeparator = ListSeparator::Nul;
    else if (name == QLatin1String("--dry-run"))
        options.dryRun = true;
    else if (name == QLatin1String("--resume"))
        options.resume = true;
    else
        return false;
    return true;
}

const QStringList& optionsWithValue() {
    static const QStringList names{
        QStringLiteral("--method"),     QStringLiteral("--output"),
        QStringLiteral("--resolution"), QStringLiteral("--pages"),
        QStringLiteral("--jobs"),       QStringLiteral("--password-file"),
        QStringLiteral("--report"),     QStringLiteral("--files-from"),
        QStringLiteral("--shard")};
    return names;
}

// The value of an option that takes one; an error text when it is not acceptable.
QString takeValue(const QString& name, const QString& value, CliOptions& options) {
    if (name == QLatin1String("--method")) {
        const auto method = methodFromName(value);
        if (!method)
            return QStringLiteral("unknown method '%1'").arg(value);
        options.method = *method;
    } else if (name == QLatin1String("--output")) {
        options.outputFolder = value;
        options.outputGiven = true;
    } else if (name == QLatin1String("--password-file")) {
        options.passwordFile = value;
    } else if (name == QLatin1String("--report")) {
        options.reportFile = value;
    } else if (name == QLatin1String("--resolution")) {
        options.resolution = value;
    } else if (name == QLatin1String("--pages")) {
        options.pages = value;
    } else if (name == QLatin1String("--files-from")) {
        options.filesFrom.append(value);
    } else if (name == QLatin1String("--shard")) {
        options.shard = ParseShard(value);
        if (!options.shard)
            return QStringLiteral("--shard needs K/N with 1 <= K <= N");
    } else {
        bool ok = false;
        options.jobs = value.toInt(&ok);
        if (!ok || options.jobs < 1)
            return QStringLiteral("--jobs needs a whole number of at least 1");
        options.jobs = std::min(options.jobs, MaxJobs);
    }
    return {};
}

// What the options ask for together that none can say alone.
QString combinationProblem(const CliOptions& options) {
    if (options.paths.isEmpty() && options.filesFrom.isEmpty())
        return QStringLiteral("no PDF files or folders given");
    if (options.resume && (options.reportFile.isEmpty() || options.reportFile == "-"))
        return QStringLiteral("--resume needs --report FILE");
    if (options.filesFrom.count(QStringLiteral("-")) + (options.passwordFile == "-") > 1)
        return QStringLiteral("standard input can be read for one option only");
    return {};
}

CliParse usageError(const QString& message) {
    CliParse parse;
    parse.request = CliRequest::UsageError;
    parse.error = message;
    return parse;
}

} // namespace

CliParse parseCommandLine(const QStringList& arguments, const StoredChoices& stored,
                          int defaultJobs) {
    CliParse parse{CliRequest::Convert, storedDefaults(stored, defaultJobs), {}};
    CliOptions& options = parse.options;
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (onlyPaths || !argument.startsWith(QLatin1String("--"))) {
            options.paths.append(argument);
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals > 0 ? argument.left(equals) : argument;
        if (argument == QLatin1String("--"))
            onlyPaths = true;
        else if (name == QLatin1String("--help"))
            return {CliRequest::Help, options, {}};
        else if (name == QLatin1String("--version"))
            return {CliRequest::Version, options, {}};
        else if (takeFlag(name, options))
            continue;
        else if (!optionsWithValue().contains(name))
            return usageError(QStringLiteral("unknown option %1").arg(name));
        else if (equals < 0 && i + 1 >= arguments.size())
            return usageError(QStringLiteral("%1 needs a value").arg(name));
        else if (const QString problem = takeValue(
                     name, equals > 0 ? argument.mid(equals + 1) : arguments.at(++i), options);
                 !problem.isEmpty())
            return usageError(problem);
    }
    if (const QString problem = combinationProblem(options); !problem.isEmpty())
        return usageError(problem);
    return parse;
}

QString usageText() {
    return QStringLiteral(
        "Usage: pagekiln-convert [--method ghostscript|bw|acrobat|gflax] [--output DIR]\n"
        "                        [--resolution TEXT] [--pages TEXT] [--jobs N] [--quiet]\n"
        "                        [--password-file FILE] [--report FILE [--resume]]\n"
        "                        [--files-from FILE [--null]] [--shard K/N] [--dry-run] PATH...\n"
        "\n"
        "Converts PDF files, and every PDF file found in the given folders and below them, to\n"
        "JPG images in the output folder, exactly as the Pagekiln window does.\n"
        "\n"
        "  --method NAME      conversion method (default: the window's stored choice)\n"
        "  --output DIR       output folder, made when missing (default: the window's output\n"
        "                     folder text, used as it stands)\n"
        "  --resolution TEXT  resolution of the gflax method, as typed in the window\n"
        "  --pages TEXT       number of pages of the gflax method, as typed in the window\n"
        "  --jobs N           convert up to N PDF files at once (default: processors;\n"
        "                     at most 256, and no more than the open-file limit allows)\n"
        "  --quiet            print warnings only\n"
        "  --password-file FILE  passwords for protected PDFs, one a line, each tried in turn\n"
        "                     (- reads standard input)\n"
        "  --report FILE      append one JSON line per PDF: what was written and why not\n"
        "                     (- writes standard output)\n"
        "  --resume           skip the PDFs the report records as converted with the same\n"
        "                     method and options, as a run stopped part way goes on\n"
        "  --files-from FILE  also convert the paths listed in FILE, one a line (- reads them\n"
        "                     from standard input); relative paths start at the current folder\n"
        "  --null             entries of --files-from end with a NUL character, not a line end\n"
        "  --shard K/N        convert only share K of N of the PDFs: N runs with the same list\n"
        "                     convert each PDF once between them, balanced by file size\n"
        "  --dry-run          print the PDFs this run would convert, one a line; convert none\n"
        "  --help, --version\n"
        "\n"
        "A PDF that gave no JPG, or stopped part way, gets a line \"Could not create JPG on PATH:\n"
        "REASON\". Exit status: 0 when every PDF was converted, 1 when any was not (or only\n"
        "partly) or when the folders given hold no PDF, 2 for a usage error, 128 + the signal's\n"
        "number when stopped by SIGINT (130), SIGTERM (143) or SIGHUP. A first signal lets the\n"
        "pages under way finish and starts no further PDF; a second one ends at once. Either\n"
        "way no working file is left behind.\n");
}

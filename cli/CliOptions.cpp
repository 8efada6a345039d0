#include "cli/CliOptions.h"

#include "platform/AppSettings.h"

#include <algorithm>

namespace {

CliOptions storedDefaults(const AppSettings& settings, int defaultJobs) {
    CliOptions options;
    // A stored code other than the four keeps the window's design choice, Ghostscript.
    options.method =
        methodFromCode(settings.read(AppSettings::OptionKey, AppSettings::defaultOption()))
            .value_or(ConversionMethod::Ghostscript);
    options.outputFolder =
        settings.read(AppSettings::LocalFolderKey, AppSettings::defaultLocalFolder());
    options.resolution =
        settings.read(AppSettings::ResolutionKey, AppSettings::defaultResolution());
    options.pages = settings.read(AppSettings::PagesKey, AppSettings::defaultPages());
    options.jobs = std::clamp(defaultJobs, 1, MaxJobs);
    return options;
}

CliParse usageError(const QString& message) {
    CliParse parse;
    parse.request = CliRequest::UsageError;
    parse.error = message;
    return parse;
}

} // namespace

CliParse parseCommandLine(const QStringList& arguments, const AppSettings& settings,
                          int defaultJobs) {
    CliParse parse;
    parse.request = CliRequest::Convert;
    parse.options = storedDefaults(settings, defaultJobs);
    CliOptions& options = parse.options;
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (onlyPaths || !argument.startsWith(QLatin1String("--"))) {
            options.paths.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyPaths = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> value;
        if (const qsizetype equals = argument.indexOf(QLatin1Char('=')); equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        if (name == QLatin1String("--help"))
            return {CliRequest::Help, options, {}};
        if (name == QLatin1String("--version"))
            return {CliRequest::Version, options, {}};
        if (name == QLatin1String("--quiet")) {
            options.quiet = true;
            continue;
        }
        if (name == QLatin1String("--null")) {
            options.listSeparator = ListSeparator::Nul;
            continue;
        }
        if (name == QLatin1String("--dry-run")) {
            options.dryRun = true;
            continue;
        }
        if (name == QLatin1String("--resume")) {
            options.resume = true;
            continue;
        }
        const QStringList withValue{
            QStringLiteral("--method"),     QStringLiteral("--output"),
            QStringLiteral("--resolution"), QStringLiteral("--pages"),
            QStringLiteral("--jobs"),       QStringLiteral("--password-file"),
            QStringLiteral("--report"),     QStringLiteral("--files-from"),
            QStringLiteral("--shard")};
        if (!withValue.contains(name))
            return usageError(QStringLiteral("unknown option %1").arg(name));
        if (!value) {
            if (i + 1 >= arguments.size())
                return usageError(QStringLiteral("%1 needs a value").arg(name));
            value = arguments.at(++i);
        }
        if (name == QLatin1String("--method")) {
            const auto method = methodFromName(*value);
            if (!method)
                return usageError(QStringLiteral("unknown method '%1'").arg(*value));
            options.method = *method;
        } else if (name == QLatin1String("--output")) {
            options.outputFolder = *value;
            options.outputGiven = true;
        } else if (name == QLatin1String("--password-file")) {
            options.passwordFile = *value;
        } else if (name == QLatin1String("--report")) {
            options.reportFile = *value;
        } else if (name == QLatin1String("--resolution")) {
            options.resolution = *value;
        } else if (name == QLatin1String("--pages")) {
            options.pages = *value;
        } else if (name == QLatin1String("--files-from")) {
            options.filesFrom.append(*value);
        } else if (name == QLatin1String("--shard")) {
            options.shard = ParseShard(*value);
            if (!options.shard)
                return usageError(QStringLiteral("--shard needs K/N with 1 <= K <= N"));
        } else {
            bool ok = false;
            options.jobs = value->toInt(&ok);
            if (!ok || options.jobs < 1)
                return usageError(QStringLiteral("--jobs needs a whole number of at least 1"));
            options.jobs = std::min(options.jobs, MaxJobs);
        }
    }
    if (options.paths.isEmpty() && options.filesFrom.isEmpty())
        return usageError(QStringLiteral("no PDF files or folders given"));
    if (options.resume && (options.reportFile.isEmpty() || options.reportFile == "-"))
        return usageError(QStringLiteral("--resume needs --report FILE"));
    if (options.filesFrom.count(QStringLiteral("-")) + (options.passwordFile == "-") > 1)
        return usageError(QStringLiteral("standard input can be read for one option only"));
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

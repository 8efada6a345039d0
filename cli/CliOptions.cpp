#include "cli/CliOptions.h"

#include "cli/CommandLine.h"
#include "convert/MethodTable.h"
#include "platform/AppSettings.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

// The command's own choices, or the window's stored ones.
CliOptions startingOptions(const CliDefaults& defaults, bool fromWindow) {
    CliOptions options;
    options.jobs = std::clamp(defaults.jobs, 1, MaxJobs);
    options.outputFolder = defaults.currentFolder + QLatin1Char('/');
    if (!fromWindow || !defaults.window)
        return options;
    const StoredChoices& stored = *defaults.window;
    // A stored code other than the four keeps the window's design choice, Ghostscript.
    options.method = methodFromCode(stored.option).value_or(ConversionMethod::Ghostscript);
    options.outputFolder = stored.localFolder;
    options.window = WindowTexts{stored.resolution, stored.pages};
    return options;
}

QString takeJobs(const QString& value, CliOptions& options) {
    bool ok = false;
    const int jobs = value.toInt(&ok);
    if (!ok || jobs < 1)
        return QStringLiteral("--jobs needs a whole number of at least 1");
    options.jobs = std::min(jobs, MaxJobs);
    return {};
}

// How the images are named: as the method names them or by a pattern, kept apart by folder or
// not.
QString takeNaming(const QCommandLineParser& parser, ConversionRequest& request) {
    if (parser.isSet(CommandLine::name)) {
        QString problem;
        const std::optional<OutputNaming> naming =
            OutputNaming::fromPattern(parser.value(CommandLine::name), problem);
        if (!naming)
            return problem;
        request.naming = *naming;
    }
    request.naming.setKeepTree(parser.isSet(CommandLine::keepTree));
    return {};
}

// The options that say what each PDF becomes.
QString takeImageOptions(const QCommandLineParser& parser, CliOptions& options) {
    ConversionRequest& request = options.request;
    if (parser.isSet(CommandLine::pages)) {
        const auto pages = PageSelection::parse(parser.value(CommandLine::pages));
        if (!pages)
            return QStringLiteral("--pages takes a count, 'all' or a list such as 1-3,7,10-N");
        request.pages = *pages;
    }
    if (parser.isSet(CommandLine::resolution)) {
        bool ok = false;
        request.resolution = parser.value(CommandLine::resolution).toDouble(&ok);
        if (!ok || request.resolution < 1.0 || request.resolution > 65500.0)
            return QStringLiteral("--resolution takes dots per inch from 1 to 65500");
    }
    if (parser.isSet(CommandLine::quality)) {
        bool ok = false;
        request.quality = parser.value(CommandLine::quality).toInt(&ok);
        if (!ok || request.quality < 1 || request.quality > 100)
            return QStringLiteral("--quality takes a whole number from 1 to 100");
    }
    if (parser.isSet(CommandLine::colour)) {
        const auto colour = colourFromName(parser.value(CommandLine::colour));
        if (!colour)
            return QStringLiteral("--colour takes auto, rgb or grey");
        request.colour = *colour;
    }
    if (parser.isSet(CommandLine::size)) {
        request.size = imageBoxFromText(parser.value(CommandLine::size));
        if (!request.size)
            return QStringLiteral("--size takes WIDTHxHEIGHT in pixels, such as 200x200");
    }
    return takeNaming(parser, request);
}

// The window's stored texts, overridden by the options the window has fields for.
QString takeWindowTexts(const QCommandLineParser& parser, CliOptions& options) {
    for (const QString& name : {CommandLine::quality, CommandLine::colour, CommandLine::size,
                                CommandLine::name, CommandLine::keepTree}) {
        if (parser.isSet(name))
            return QStringLiteral("--%1 cannot be given with --%2: the window has no such "
                                  "choice")
                .arg(name, CommandLine::fromWindow);
    }
    if (parser.isSet(CommandLine::resolution))
        options.window->resolution = parser.value(CommandLine::resolution);
    if (parser.isSet(CommandLine::pages))
        options.window->pages = parser.value(CommandLine::pages);
    return {};
}

// An option given that the method cannot honour.
QString refusal(const QCommandLineParser& parser, const CliOptions& options) {
    const MethodEntry& method = MethodTable::standard()[options.method];
    const MethodAbilities& can = method.abilities;
    if (parser.isSet(CommandLine::size) && !can.fitsInBox)
        return QStringLiteral("--size: the %1 method cannot fit pages in a box").arg(method.name);
    const ColourMode colour = options.request.colour;
    if ((colour == ColourMode::Rgb && !can.rgb) || (colour == ColourMode::Grey && !can.grey))
        return QStringLiteral("--colour %1: the %2 method cannot write %3 images")
            .arg(colourName(colour), method.name,
                 colour == ColourMode::Rgb ? QStringLiteral("colour") : QStringLiteral("grey"));
    return {};
}

QString takeListsAndRun(const QCommandLineParser& parser, CliOptions& options) {
    options.quiet = parser.isSet(CommandLine::quiet);
    options.dryRun = parser.isSet(CommandLine::dryRun);
    options.resume = parser.isSet(CommandLine::resume);
    if (parser.isSet(CommandLine::null))
        options.listSeparator = ListSeparator::Nul;
    options.filesFrom = parser.values(CommandLine::filesFrom);
    options.passwordFile = parser.value(CommandLine::passwordFile);
    options.reportFile = parser.value(CommandLine::report);
    options.paths = parser.positionalArguments();
    if (parser.isSet(CommandLine::jobs))
        if (QString problem = takeJobs(parser.value(CommandLine::jobs), options);
            !problem.isEmpty())
            return problem;
    if (parser.isSet(CommandLine::shard)) {
        options.shard = ParseShard(parser.value(CommandLine::shard));
        if (!options.shard)
            return QStringLiteral("--shard needs K/N with 1 <= K <= N");
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

QString takeOptions(const QCommandLineParser& parser, CliOptions& options) {
    if (parser.isSet(CommandLine::method)) {
        const auto method = methodFromName(parser.value(CommandLine::method));
        if (!method)
            return QStringLiteral("unknown method '%1'").arg(parser.value(CommandLine::method));
        options.method = *method;
    }
    if (parser.isSet(CommandLine::output)) {
        options.outputFolder = parser.value(CommandLine::output);
        options.outputGiven = true;
    }
    QString problem =
        options.window ? takeWindowTexts(parser, options) : takeImageOptions(parser, options);
    if (problem.isEmpty() && !options.window)
        problem = refusal(parser, options);
    if (problem.isEmpty())
        problem = takeListsAndRun(parser, options);
    if (problem.isEmpty())
        problem = combinationProblem(options);
    return problem;
}

} // namespace

CliParse parseCommandLine(const QStringList& arguments, const CliDefaults& defaults) {
    QCommandLineParser parser;
    CommandLine::describe(parser);
    if (!parser.parse(QStringList{QStringLiteral("pagekiln-convert")} + arguments))
        return {CliRequest::UsageError, {}, parser.errorText()};
    if (parser.isSet(CommandLine::help))
        return {CliRequest::Help, {}, {}};
    if (parser.isSet(CommandLine::version))
        return {CliRequest::Version, {}, {}};
    CliParse parse{
        CliRequest::Convert, startingOptions(defaults, parser.isSet(CommandLine::fromWindow)), {}};
    if (const QString problem = takeOptions(parser, parse.options); !problem.isEmpty())
        return {CliRequest::UsageError, {}, problem};
    return parse;
}

QString usageText() {
    QCommandLineParser parser;
    CommandLine::describe(parser);
    return CommandLine::helpText(parser);
}

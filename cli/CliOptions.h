#pragma once

#include "cli/InputList.h"
#include "cli/ShardPlan.h"
#include "convert/ConversionMethod.h"
#include "convert/ConversionRequest.h"

#include <QString>
#include <QStringList>

#include <optional>

struct StoredChoices;

// More conversions at once than this only add threads and open files that wait for the
// processors; a larger --jobs is taken as this.
constexpr int MaxJobs = 256;

// The window's own texts, for a run that takes the window's stored choices: the conversions
// then read them exactly as the window's fields.
struct WindowTexts {
    QString resolution;
    QString pages;
};

// What one run of pagekiln-convert was asked to do. The command has defaults of its own (the
// imaging method, every page, 144 dpi, the current folder); --settings-from-window takes the
// window's stored choices instead.
struct CliOptions {
    ConversionMethod method = ConversionMethod::GflAx;
    QString outputFolder; // ends with "/"
    ConversionRequest request;
    std::optional<WindowTexts> window; // set by --settings-from-window
    int jobs = 1;
    bool quiet = false;
    QStringList paths;
    bool outputGiven = false; // --output names a folder, made when missing
    QString passwordFile;     // "-" for standard input; empty for none
    QString reportFile;       // "-" for standard output; empty for none
    QStringList filesFrom;    // lists of further paths; "-" is standard input
    ListSeparator listSeparator = ListSeparator::Line;
    std::optional<Shard> shard;
    bool dryRun = false; // list the PDFs this run would convert, convert none
    bool resume = false; // skip the PDFs the report records as converted alike
};

enum class CliRequest { Convert, Help, Version, UsageError };

struct CliParse {
    CliRequest request = CliRequest::UsageError;
    CliOptions options;
    QString error; // one line, for a usage error
};

// What the command needs from outside to parse its arguments.
struct CliDefaults {
    int jobs = 1;                          // used when --jobs is not given
    QString currentFolder;                 // the default output folder, without its final "/"
    const StoredChoices* window = nullptr; // the window's stored choices
};

// arguments excludes the program name.
CliParse parseCommandLine(const QStringList& arguments, const CliDefaults& defaults);

QString usageText();

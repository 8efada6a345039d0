#pragma once

#include "cli/InputList.h"
#include "cli/ShardPlan.h"
#include "convert/ConversionMethod.h"

#include <QString>
#include <QStringList>

#include <optional>

struct StoredChoices;

// More conversions at once than this only add threads and open files that wait for the
// processors; a larger --jobs is taken as this.
constexpr int MaxJobs = 256;

// What one run of pagekiln-convert was asked to do. Every value not given on the command line
// comes from the window's stored settings, as the same text the window's field would hold.
struct CliOptions {
    ConversionMethod method = ConversionMethod::Ghostscript;
    QString outputFolder;
    QString resolution;
    QString pages;
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

// arguments excludes the program name. Options not given take the window's stored choices;
// defaultJobs is used when --jobs is not given.
CliParse parseCommandLine(const QStringList& arguments, const StoredChoices& stored,
                          int defaultJobs);

QString usageText();

// Plans and runs 100,000 PDFs named scan1 ... scan100000 (every one a prefix of others) with
// conversions that do nothing, so that only the scheduling is measured. Prints
// `plan_s S run_s S`: the grouping alone, then the whole run handing every PDF to two jobs.
#include "cli/ConsoleUserInterface.h"
#include "cli/ParallelConverter.h"
#include "convert/CollisionGroups.h"
#include "convert/ConversionContext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir folder;
    QStringList pdfs;
    for (int n = 1; n <= count; ++n)
        pdfs.append(QStringLiteral("%1/scan%2.pdf").arg(folder.path()).arg(n));

    QElapsedTimer clock;
    clock.start();
    std::vector<QStringView> bases;
    bases.reserve(pdfs.size());
    for (const QString& pdf : std::as_const(pdfs))
        bases.push_back(PdfBaseNameView(pdf));
    const std::vector<int> groups = CollisionGroupsOf(bases);
    const double planSeconds = clock.nsecsElapsed() / 1e9;

    ParallelConverter::Setup setup;
    setup.method = ConversionMethod::GflAx;
    setup.programFolder = folder.path();
    setup.outputFolder = folder.path() + QLatin1Char('/');
    setup.jobs = 2;
    setup.methods.replace(ConversionMethod::GflAx, [](const QString&, ConversionContext& context) {
        context.jpgCreated = true;
        ConversionOutcome outcome;
        outcome.status = ConversionStatus::Converted;
        outcome.pagesWritten = 1;
        return outcome;
    });
    ConsoleUserInterface ui;
    ParallelConverter converter(setup, ui);
    clock.restart();
    const QList<ConversionOutcome>& outcomes = converter.run(pdfs);
    const auto converted =
        std::count_if(outcomes.begin(), outcomes.end(), [](const ConversionOutcome& o) {
            return o.status == ConversionStatus::Converted;
        });
    const double runSeconds = clock.nsecsElapsed() / 1e9;
    std::printf("names %d groups %zu converted %lld\n", count,
                std::set<int>(groups.begin(), groups.end()).size(),
                static_cast<long long>(converted));
    std::printf("plan_s %.3f run_s %.3f\n", planSeconds, runSeconds);
    return converted == count ? 0 : 1;
}

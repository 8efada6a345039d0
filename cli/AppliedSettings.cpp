#include "cli/AppliedSettings.h"

#include "convert/MethodTable.h"
#include "convert/NumberReading.h"

namespace {

// The window's conversion: the imaging method reads the window's two texts, the others keep
// their own resolution and convert every page.
void fromWindowTexts(const MethodEntry& method, const WindowTexts& texts,
                     ReportSettings& settings) {
    if (method.abilities.windowResolution > 0.0) {
        settings.resolution = QString::number(method.abilities.windowResolution);
        settings.pages = PageSelection().text();
        return;
    }
    settings.resolution = QString::number(ReadNumber(texts.resolution));
    const int count = ReadPageCount(texts.pages);
    settings.pages = count < 1 ? QString::number(count) : PageSelection::firstPages(count).text();
}

} // namespace

ReportSettings AppliedSettings(const CliOptions& options) {
    const MethodEntry& method = MethodTable::standard()[options.method];
    const ConversionRequest& request = options.request;
    ReportSettings settings;
    settings.method = method.name;
    settings.output = options.outputFolder;
    settings.quality = QString::number(request.quality);
    settings.colour = colourName(request.colour == ColourMode::Auto ? method.abilities.ownColour
                                                                    : request.colour);
    if (options.window) {
        fromWindowTexts(method, *options.window, settings);
        return settings;
    }
    settings.pages = request.pages.text();
    settings.name = request.naming.pattern();
    if (request.naming.keepsTree())
        settings.tree = QStringLiteral("kept");
    if (request.size)
        settings.size = imageBoxText(*request.size);
    else
        settings.resolution = QString::number(request.resolution);
    return settings;
}

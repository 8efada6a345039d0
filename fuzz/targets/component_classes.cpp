// The server's request handling with the real classes of both component servers ("GflAx.GflAx",
// "AcroExch.app", "AcroExch.PDDoc" and the scripting object), as their servers serve them.
// An input is the server's standard input: one request a line.
//
// The objects read and write the files their requests name, so each input works in a folder
// of its own, refilled before every input with the fixtures of fuzz/files: a first argument
// that is text (every path argument is a first argument) becomes a name in that folder, made
// of the text's letters, digits, dots, dashes and underscores, and so does every path of a
// scripting object's Targets. Resolutions above 100 dpi are taken as 100 and boxes wider or
// taller than 1000 pixels as 1000, so that no input renders for minutes.
#include "AcroObjects.h"
#include "FuzzSupport.h"
#include "GflAxObject.h"
#include "protocol/Wire.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <algorithm>
#include <limits>
#include <map>

namespace {

constexpr double kLargestDpi = 100.0;
constexpr double kLargestBoxSide = 1000.0;
constexpr qsizetype kLongestName = 40;

std::map<QString, QByteArray> loadFixtures() {
    std::map<QString, QByteArray> fixtures;
    const QDir folder(QStringLiteral(PAGEKILN_FUZZ_FILES));
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            broken("the fixtures can be read");
        fixtures[name] = file.readAll();
    }
    if (fixtures.empty())
        broken("there are fixtures");
    return fixtures;
}

QString workFolder() {
    return scratchPath(QStringLiteral("work"));
}

void refillWorkFolder() {
    static const std::map<QString, QByteArray> fixtures = loadFixtures();
    QDir folder(workFolder());
    folder.removeRecursively();
    if (!folder.mkpath(QStringLiteral("folder")))
        broken("the work folder can be made");
    for (const auto& [name, bytes] : fixtures) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            broken("the fixtures can be written");
    }
}

// The text as a name in the work folder.
QString confined(const QString& text) {
    QString name;
    for (const QChar c : text) {
        if (name.size() == kLongestName)
            break;
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == u'.' || c == u'-' || c == u'_')
            name.append(c);
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("x");
    return workFolder() + QLatin1Char('/') + name;
}

// The largest value a property is set to here: resolutions and box sides are bounded.
double largestValueOf(const QString& name) {
    using Component::isMember;
    if (isMember(name, Component::kEpsDpi) || isMember(name, Component::kResolution))
        return kLargestDpi;
    if (isMember(name, Component::kFitWidth) || isMember(name, Component::kFitHeight))
        return kLargestBoxSide;
    return std::numeric_limits<double>::infinity();
}

// The paths of Targets kept inside the work folder; what is not a path (not text, or empty)
// stays as it is, for the object to refuse.
QJsonArray confinedTargets(QJsonArray targets) {
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (targets.at(i).isString() && !targets.at(i).toString().isEmpty())
            targets[i] = confined(targets.at(i).toString());
    }
    return targets;
}

// The request with its paths kept inside the work folder and its sizes bounded; a line
// that is not a JSON object goes to the server as it is.
QByteArray tamed(const QByteArray& line) {
    const QJsonDocument doc = QJsonDocument::fromJson(line);
    if (!doc.isObject())
        return line;
    QJsonObject request = doc.object();
    QJsonArray args = request.value(Wire::kArgs).toArray();
    if (args.at(0).isString()) {
        args[0] = confined(args.at(0).toString());
        request[Wire::kArgs] = args;
    }
    const QString name = request.value(Wire::kName).toString();
    const QJsonValue value = request.value(Wire::kValue);
    if (Component::isMember(name, Component::kTargets) && value.isArray())
        request[Wire::kValue] = confinedTargets(value.toArray());
    else if (value.isDouble())
        request[Wire::kValue] = std::min(value.toDouble(), largestValueOf(name));
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

ComponentClasses bothServersClasses() {
    ComponentClasses classes = gflaxClasses();
    classes.merge(acroClasses());
    return classes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    useSmallRenderBudget();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    refillWorkFolder();
    ComponentServer server(bothServersClasses());
    for (const QByteArray& line : splitLines(data, size)) {
        if (server.ended())
            break;
        if (line.isEmpty())
            continue; // the request loop skips empty lines
        const QByteArray answer = server.handle(tamed(line));
        if (answer.contains('\n') || !QJsonDocument::fromJson(answer).isObject())
            broken("an answer is one line holding a JSON object");
    }
    return 0;
}

#pragma once

#include <QString>

class QCommandLineParser;

// The options of pagekiln-convert: their names, their descriptions and the help text made from
// them, which is also the source of the manual page.
namespace CommandLine {

inline const QString help = QStringLiteral("help");
inline const QString version = QStringLiteral("version");
inline const QString method = QStringLiteral("method");
inline const QString output = QStringLiteral("output");
inline const QString pages = QStringLiteral("pages");
inline const QString resolution = QStringLiteral("resolution");
inline const QString quality = QStringLiteral("quality");
inline const QString colour = QStringLiteral("colour");
inline const QString size = QStringLiteral("size");
inline const QString keepTree = QStringLiteral("keep-tree");
inline const QString name = QStringLiteral("name");
inline const QString fromWindow = QStringLiteral("settings-from-window");
inline const QString jobs = QStringLiteral("jobs");
inline const QString quiet = QStringLiteral("quiet");
inline const QString passwordFile = QStringLiteral("password-file");
inline const QString report = QStringLiteral("report");
inline const QString resume = QStringLiteral("resume");
inline const QString filesFrom = QStringLiteral("files-from");
inline const QString null = QStringLiteral("null");
inline const QString shard = QStringLiteral("shard");
inline const QString dryRun = QStringLiteral("dry-run");

// Adds every option to parser.
void describe(QCommandLineParser& parser);

// The text of --help: usage, options, exit statuses.
QString helpText(const QCommandLineParser& parser);

} // namespace CommandLine

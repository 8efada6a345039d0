#pragma once

#include "convert/ConversionOutcome.h"

#include <QString>

struct ConversionContext;
struct ConversionRequest;

// How one script-driven method lays out its files. The script lives in the program folder;
// the working copy and the images live in the instance's private working folder, where the
// script runs, so it only ever sees the fixed name "current.pdf".
struct ScriptMethod {
    QString folder;      // "ps" or "bw": subfolder of the program and of the working folder
    QString script;      // file name of the script inside program folder/<folder>
    QString imageFolder; // subfolder of the working folder that holds the images; "" = itself
    QString imagePattern;
};

const ScriptMethod& ghostscriptMethod();
const ScriptMethod& blackWhiteMethod();

// "-001", "-010", "-999", "-1000": the image's position with at least three digits.
QString imageNumberSuffix(int position);

// Output path of image `position` of a PDF: the output prefix, the base name, the number,
// ".jpg", joined with nothing in between.
QString outputImagePath(const QString& prefix, const QString& baseName, int position);

// The file in the method's working folder that receives Ghostscript's messages, and the one
// that hands it the password of a protected PDF (as PostScript, so it never shows in an
// argument list).
inline const QString GhostscriptMessagesName = QStringLiteral("messages.txt");
inline const QString PasswordFileName = QStringLiteral("password.ps");
// The file that hands the script what the command asks (pages, resolution, quality, colours):
// one "key=value" a line. Without it the script converts as the window's method always has.
inline const QString ScriptSettingsName = QStringLiteral("settings.txt");
// Where the script leaves the document's page count when the settings named the last page alone.
inline const QString LastPageName = QStringLiteral("lastpage.txt");

// Converts one PDF with the given method and says which images it wrote to the output folder
// and why nothing (or not all) was written. Nothing here throws or shows a message.
ConversionOutcome convertThroughScript(const QString& pdfPath, ConversionContext& context,
                                       const ScriptMethod& method);

// The settings file of a request: resolution, quality, colour (rgb or grey) and the pages as
// Ghostscript's page list ("1-3,7,10-"; a lone "N" is the last page, which the script counts).
QByteArray scriptSettings(const ConversionRequest& request);

// The PostScript that defines the password for Ghostscript's PDF reader: the password's bytes
// (UTF-8) as a hexadecimal string, which needs no quoting whatever it holds.
QByteArray ghostscriptPasswordDefinition(const QString& password);

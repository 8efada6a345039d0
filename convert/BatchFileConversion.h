#pragma once

#include <QString>

struct ConversionContext;

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

// How one conversion went, beyond the context's jpgCreated flag.
enum class ScriptRunStatus {
    Converted,    // at least one image reached the output folder
    CopyInFailed, // the PDF could not be copied into the working folder
    LaunchFailed, // the script could not be started
    NoImages,     // the script ran but left no image
    OutputFailed, // images were made but none could be written to the output folder
    Interrupted,  // the application quit while the script was running
    NotRegular,   // the PDF is a FIFO, device, socket or folder: it was not read
    Stalled,      // the script made no progress within the idle limit and was ended
    Stopped,      // a stop request ended the script; the pages it had finished were kept
};

// Converts one PDF with the given method; sets context.jpgCreated only once an image has been
// written to the output folder. Failing file operations make the PDF count as not converted;
// nothing here throws or shows a message.
ScriptRunStatus convertThroughScript(const QString& pdfPath, ConversionContext& context,
                                     const ScriptMethod& method);

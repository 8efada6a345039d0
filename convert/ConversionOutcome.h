#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// Why a PDF gave fewer images than asked, or none. Each value names one thing a user can fix;
// the report writes the kebab-case name of codeName().
enum class ReasonCode {
    None,
    NoMethod,
    NotPdf,
    Damaged,
    Password,
    PasswordWrong,
    Missing,
    NotRegular,
    NoPage, // a page beyond the end of the document: the end of a batch, never a fault
    TooLarge,
    NoOutputFolder,
    WriteDenied,
    DiskFull,
    WriteFailed,
    ConverterFailed,
    ComponentMissing,
    ComponentDied,
    ComponentTimedOut,
    Memory,
    Interrupted,
    Internal,
};

enum class ConversionStatus {
    Converted, // every page asked for (or up to the end of the document) was written
    Partial,   // at least one page was written, then a fault stopped the conversion
    Failed,    // nothing was written
    Skipped,   // not attempted
};

// What one conversion procedure did with one PDF.
struct ConversionOutcome {
    ConversionStatus status = ConversionStatus::Failed;
    int pagesWritten = 0;
    QStringList outputs; // the images written, in page order
    ReasonCode reason = ReasonCode::None;
    QString detail; // the reason in the user's words; empty for None
    double seconds = 0.0;

    bool jpgCreated() const { return pagesWritten > 0; }

    // Records one image written to the output folder.
    void addOutput(const QString& path);
    // Records what stopped the conversion.
    void fail(ReasonCode why, QString text);
    // Sets the status from the pages written and the reason: a fault after some pages makes
    // the PDF partial; running past the end of the document does not.
    ConversionOutcome& settle();

    static ConversionOutcome failure(ReasonCode why, QString text);
};

Q_DECLARE_METATYPE(ConversionOutcome)

QString codeName(ReasonCode code);
QString statusName(ConversionStatus status);

// True for reasons that stop a conversion part way as a fault, not as its natural end.
bool isFault(ReasonCode code);

// A failed write of path with the errno the system gave, in the user's words:
// ENOSPC and EDQUOT are a full disk, EACCES, EPERM and EROFS a denied write.
ReasonCode reasonOfWriteError(int error);
QString textOfWriteError(int error, const QString& path);

// The sentence of the command's warning line and the window's detail text: what was written
// before the fault, then the reason.
QString outcomeSummary(const ConversionOutcome& outcome);

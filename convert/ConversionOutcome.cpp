#include "convert/ConversionOutcome.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::array kCodeNames{
    "none",           "no-method",           "not-pdf",          "damaged",
    "password",       "password-wrong",      "missing",          "not-regular",
    "no-page",        "too-large",           "no-output-folder", "write-denied",
    "disk-full",      "write-failed",        "converter-failed", "component-missing",
    "component-died", "component-timed-out", "memory",           "interrupted",
    "internal",
};
static_assert(kCodeNames.size() == static_cast<std::size_t>(ReasonCode::Internal) + 1);

} // namespace

void ConversionOutcome::addOutput(const QString& path) {
    outputs.append(path);
    ++pagesWritten;
}

void ConversionOutcome::fail(ReasonCode why, QString text) {
    reason = why;
    detail = std::move(text);
}

ConversionOutcome& ConversionOutcome::settle() {
    if (pagesWritten == 0)
        status = ConversionStatus::Failed;
    else if (isFault(reason))
        status = ConversionStatus::Partial;
    else
        status = ConversionStatus::Converted;
    if (status == ConversionStatus::Converted) {
        reason = ReasonCode::None;
        detail.clear();
    }
    return *this;
}

ConversionOutcome ConversionOutcome::failure(ReasonCode why, QString text) {
    ConversionOutcome outcome;
    outcome.fail(why, std::move(text));
    return outcome;
}

QString codeName(ReasonCode code) {
    return QString::fromLatin1(kCodeNames.at(static_cast<std::size_t>(code)));
}

QString statusName(ConversionStatus status) {
    switch (status) {
    case ConversionStatus::Converted:
        return QStringLiteral("converted");
    case ConversionStatus::Partial:
        return QStringLiteral("partial");
    case ConversionStatus::Skipped:
        return QStringLiteral("skipped");
    case ConversionStatus::Failed:
        break;
    }
    return QStringLiteral("failed");
}

bool isFault(ReasonCode code) {
    return code != ReasonCode::None && code != ReasonCode::NoPage;
}

ReasonCode reasonOfWriteError(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return ReasonCode::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return ReasonCode::WriteDenied;
    case ENOENT:
    case ENOTDIR:
        return ReasonCode::NoOutputFolder;
    default:
        return ReasonCode::WriteFailed;
    }
}

QString textOfWriteError(int error, const QString& path) {
    switch (reasonOfWriteError(error)) {
    case ReasonCode::DiskFull:
        return QStringLiteral("No space left on the device writing %1.").arg(path);
    case ReasonCode::WriteDenied:
        return QStringLiteral("Permission denied writing %1.").arg(path);
    case ReasonCode::NoOutputFolder:
        return QStringLiteral("The folder of %1 does not exist.").arg(path);
    default:
        return QStringLiteral("Could not write %1: %2.")
            .arg(path, QString::fromLocal8Bit(std::strerror(error)));
    }
}

// A stop is its own reason: the pages written are said once, with it.
QString outcomeSummary(const ConversionOutcome& outcome) {
    if (outcome.status != ConversionStatus::Partial)
        return outcome.detail;
    const QString pages =
        outcome.pagesWritten == 1
            ? QStringLiteral("Only 1 page was written")
            : QStringLiteral("Only %1 pages were written").arg(outcome.pagesWritten);
    if (outcome.reason == ReasonCode::Interrupted)
        return QStringLiteral("%1 before the run was stopped.").arg(pages);
    return QStringLiteral("%1, then the conversion stopped. %2").arg(pages, outcome.detail);
}

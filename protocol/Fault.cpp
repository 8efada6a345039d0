#include "protocol/Fault.h"

#include <QLatin1StringView>

#include <array>
#include <cstddef>
#include <utility>

namespace {

// Every fault with its wire name, in the order of the enum.
constexpr std::array<std::pair<Fault, QLatin1StringView>, 22> kNames{{
    {Fault::None, QLatin1StringView("none")},
    {Fault::Missing, QLatin1StringView("missing")},
    {Fault::NotRegular, QLatin1StringView("not-regular")},
    {Fault::NotPdf, QLatin1StringView("not-pdf")},
    {Fault::Damaged, QLatin1StringView("damaged")},
    {Fault::Password, QLatin1StringView("password")},
    {Fault::PasswordWrong, QLatin1StringView("password-wrong")},
    {Fault::NoPage, QLatin1StringView("no-page")},
    {Fault::TooLarge, QLatin1StringView("too-large")},
    {Fault::BadArgument, QLatin1StringView("bad-argument")},
    {Fault::NoFolder, QLatin1StringView("no-folder")},
    {Fault::WriteDenied, QLatin1StringView("write-denied")},
    {Fault::DiskFull, QLatin1StringView("disk-full")},
    {Fault::WriteFailed, QLatin1StringView("write-failed")},
    {Fault::Memory, QLatin1StringView("memory")},
    {Fault::Internal, QLatin1StringView("internal")},
    {Fault::NotRegistered, QLatin1StringView("not-registered")},
    {Fault::ServerDied, QLatin1StringView("server-died")},
    {Fault::TimedOut, QLatin1StringView("timed-out")},
    {Fault::BadAnswer, QLatin1StringView("bad-answer")},
    {Fault::NoObject, QLatin1StringView("no-object")},
    {Fault::Interrupted, QLatin1StringView("interrupted")},
}};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (std::size_t(kNames[i].first) != i)
            return false;
    }
    return kNames.back().first == Fault::Interrupted;
}
static_assert(inEnumOrder(), "every fault has its name, in the order of the enum");

} // namespace

QString faultName(Fault fault) {
    const auto index = std::size_t(fault);
    return index < kNames.size() ? QString(kNames[index].second) : QStringLiteral("internal");
}

Fault faultFromName(QStringView name) {
    for (const auto& [fault, each] : kNames) {
        if (name == each)
            return fault;
    }
    return Fault::Internal;
}

#include "GflAxObject.h"

#include "protocol/Wire.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

using Component::isMember;

bool integralValue(const QJsonValue& value, qint64& out) {
    if (!value.isDouble())
        return false;
    const double v = value.toDouble();
    if (!std::isfinite(v) || v != std::trunc(v) || std::fabs(v) > 9.0e15)
        return false;
    out = qint64(v);
    return true;
}

ComponentReply unknownMember(const QString& name) {
    return ComponentReply::failure(Fault::BadArgument,
                                   QStringLiteral("GflAx has no member %1").arg(echoed(name)));
}

} // namespace

GflAxObject::GflAxObject(EngineSettings settings) : m_engine(settings) {}

ComponentReply GflAxObject::set(const QString& name, const QJsonValue& value) {
    if (std::optional<ComponentReply> chosen = m_choices.set(name, value)) {
        m_engine.setChoices(m_choices.render());
        m_engine.setPlannedPages(m_choices.pages());
        return std::move(*chosen);
    }
    if (isMember(name, Component::kEpsDpi)) {
        if (!value.isDouble())
            return ComponentReply::failure(Fault::BadArgument,
                                           QStringLiteral("EpsDpi takes a number"));
        m_dpi = value.toDouble();
        return {};
    }
    if (isMember(name, Component::kPassword)) {
        if (!value.isString())
            return ComponentReply::failure(Fault::BadArgument,
                                           QStringLiteral("Password takes a text"));
        m_password = value.toString();
        return {};
    }
    return setNumber(name, value);
}

// The properties that take whole numbers.
ComponentReply GflAxObject::setNumber(const QString& name, const QJsonValue& value) {
    qint64 number = 0;
    const bool page = isMember(name, Component::kPage);
    if (page || isMember(name, Component::kSaveformat)) {
        if (!integralValue(value, number))
            return ComponentReply::failure(Fault::BadArgument,
                                           QStringLiteral("%1 takes a whole number").arg(name));
        (page ? m_page : m_saveFormat) = number;
        return {};
    }
    if (isMember(name, Component::kLastPage)) {
        if (!integralValue(value, number) || number < 0)
            return ComponentReply::failure(
                Fault::BadArgument, QStringLiteral("LastPage takes a whole number, 0 or more"));
        m_lastPage = number;
        m_engine.setLastPage(int(std::min<qint64>(number, INT_MAX)));
        return {};
    }
    return unknownMember(name);
}

ComponentReply GflAxObject::get(const QString& name) {
    if (isMember(name, Component::kEpsDpi))
        return ComponentReply::value(m_dpi);
    if (isMember(name, Component::kPage))
        return ComponentReply::value(m_page);
    if (isMember(name, Component::kSaveformat))
        return ComponentReply::value(m_saveFormat);
    if (isMember(name, Component::kLastPage))
        return ComponentReply::value(m_lastPage);
    if (isMember(name, Component::kPassword))
        return ComponentReply::value(m_password);
    if (std::optional<ComponentReply> chosen = m_choices.get(name))
        return std::move(*chosen);
    return unknownMember(name);
}

ComponentReply GflAxObject::call(const QString& name, const QJsonArray& args) {
    const bool load = isMember(name, Component::kLoadBitmap);
    const bool count = isMember(name, Component::kPageCount);
    if (!load && !count && !isMember(name, Component::kSaveBitmap))
        return unknownMember(name);
    if (args.size() != 1 || !args.at(0).isString())
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("%1 takes one path").arg(name));
    const QString path = args.at(0).toString();
    if (count)
        return pageCount(path);
    return load ? loadBitmap(path) : saveBitmap(path);
}

ComponentReply GflAxObject::loadBitmap(const QString& path) {
    EngineOutcome outcome = m_engine.openDocument(path, m_password);
    if (outcome.ok())
        outcome = m_engine.loadPage(int(std::clamp<qint64>(m_page, 0, INT_MAX)), m_dpi);
    if (!outcome.ok())
        return ComponentReply::failure(outcome.fault, outcome.error);
    return {};
}

// Opens the document as LoadBitmap does (the password included) and says how many pages it
// has; the parsed document stays for the pages that follow.
ComponentReply GflAxObject::pageCount(const QString& path) {
    const EngineOutcome outcome = m_engine.openDocument(path, m_password);
    if (!outcome.ok())
        return ComponentReply::failure(outcome.fault, outcome.error);
    return ComponentReply::value(m_engine.pageCount());
}

ComponentReply GflAxObject::saveBitmap(const QString& path) {
    if (m_saveFormat != Component::kSaveformatJpeg)
        return ComponentReply::failure(
            Fault::BadArgument,
            QStringLiteral("save format %1 is not supported (1 = JPEG)").arg(m_saveFormat));
    const EngineOutcome outcome = m_engine.saveJpeg(path);
    if (!outcome.ok())
        return ComponentReply::failure(outcome.fault, outcome.error);
    return {};
}

ComponentClasses gflaxClasses() {
    return {{QString(Component::kGflAx).toLower(), [] { return std::make_unique<GflAxObject>(); }}};
}

#include "BatchChoices.h"

#include "protocol/Wire.h"

#include <QJsonArray>

#include <climits>
#include <cmath>

namespace {

using Component::isMember;

// A whole number from low to high, or nothing.
std::optional<int> wholeNumber(const QJsonValue& value, int low, int high) {
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::trunc(number) || number < low || number > high)
        return std::nullopt;
    return static_cast<int>(number);
}

ComponentReply refused(const QString& text) {
    return ComponentReply::failure(Fault::BadArgument, text);
}

} // namespace

std::optional<ComponentReply> BatchChoices::set(const QString& name, const QJsonValue& value) {
    constexpr int MaxSide = 65500;
    if (isMember(name, Component::kQuality)) {
        const auto quality = wholeNumber(value, 1, 100);
        if (!quality)
            return refused(QStringLiteral("Quality takes a whole number from 1 to 100"));
        m_render.quality = *quality;
        return ComponentReply{};
    }
    if (isMember(name, Component::kColour)) {
        const std::optional<ColourMode> colour = colourFromName(value.toString());
        if (!colour)
            return refused(QStringLiteral("Colour takes auto, rgb or grey"));
        m_render.colour = *colour;
        return ComponentReply{};
    }
    const bool width = isMember(name, Component::kFitWidth);
    if (width || isMember(name, Component::kFitHeight)) {
        const auto side = wholeNumber(value, 0, MaxSide);
        if (!side)
            return refused(
                QStringLiteral("%1 takes a whole number from 0 to %2").arg(name).arg(MaxSide));
        (width ? m_render.box.rwidth() : m_render.box.rheight()) = *side;
        return ComponentReply{};
    }
    if (isMember(name, Component::kPages))
        return setPages(value);
    return std::nullopt;
}

ComponentReply BatchChoices::setPages(const QJsonValue& value) {
    const QString wrong =
        QStringLiteral("Pages takes an array of page numbers from 1 up, each above the last");
    if (!value.isArray())
        return refused(wrong);
    std::vector<int> pages;
    for (const QJsonValue& page : value.toArray()) {
        const auto number = wholeNumber(page, 1, INT_MAX);
        if (!number || (!pages.empty() && *number <= pages.back()))
            return refused(wrong);
        pages.push_back(*number);
    }
    m_pages = std::move(pages);
    return {};
}

std::optional<ComponentReply> BatchChoices::get(const QString& name) const {
    if (isMember(name, Component::kQuality))
        return ComponentReply::value(m_render.quality);
    if (isMember(name, Component::kColour))
        return ComponentReply::value(colourName(m_render.colour));
    if (isMember(name, Component::kFitWidth))
        return ComponentReply::value(m_render.box.width());
    if (isMember(name, Component::kFitHeight))
        return ComponentReply::value(m_render.box.height());
    if (isMember(name, Component::kPages)) {
        QJsonArray pages;
        for (const int page : m_pages)
            pages.append(page);
        return ComponentReply::value(pages);
    }
    return std::nullopt;
}

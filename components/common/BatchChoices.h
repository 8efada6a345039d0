#pragma once

#include "ComponentServer.h"
#include "PdfEngine.h"

#include <optional>
#include <vector>

// The choices a batch may make on an imaging or export object beyond the automation interface:
// Quality, Colour, FitWidth and FitHeight (the box), and Pages (the pages it will convert).
// An object hands the properties it does not know itself to these.
class BatchChoices {
public:
    // Nothing when name is none of these properties; otherwise the answer of setting it.
    std::optional<ComponentReply> set(const QString& name, const QJsonValue& value);
    std::optional<ComponentReply> get(const QString& name) const;

    const RenderChoices& render() const { return m_render; }
    // The pages asked for, ascending; empty: every page.
    const std::vector<int>& pages() const { return m_pages; }

private:
    ComponentReply setPages(const QJsonValue& value);

    RenderChoices m_render;
    std::vector<int> m_pages;
};

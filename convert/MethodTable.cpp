#include "convert/MethodTable.h"

#include <algorithm>

MethodTable::MethodTable()
    : m_entries{
          {ConversionMethod::Ghostscript, QStringLiteral("1"), QStringLiteral("ghostscript"),
           QStringLiteral("Ghostscript"), QStringLiteral("Option2"), ConvertWithGhostscript,
           MethodAbilities{false, true, true, ColourMode::Rgb, 150.0}, PageNumbering::Positions},
          {ConversionMethod::BlackWhite, QStringLiteral("2"), QStringLiteral("bw"),
           QStringLiteral("Black/White"), QStringLiteral("Option3"), ConvertBlackWhite,
           MethodAbilities{false, false, true, ColourMode::Grey, 150.0}, PageNumbering::Positions},
          {ConversionMethod::Acrobat, QStringLiteral("3"), QStringLiteral("acrobat"),
           QStringLiteral("Adobe Acrobat Pro"), QStringLiteral("Option1"), ConvertWithAcrobat,
           MethodAbilities{true, true, true, ColourMode::Auto, 150.0}, PageNumbering::ExportPages},
          {ConversionMethod::GflAx, QStringLiteral("4"), QStringLiteral("gflax"),
           QStringLiteral("GflAx"), QStringLiteral("Option4"), ConvertWithGflAx, MethodAbilities{},
           PageNumbering::Appended},
      } {}

const MethodTable& MethodTable::standard() {
    static const MethodTable table;
    return table;
}

const MethodEntry& MethodTable::operator[](ConversionMethod method) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [method](const MethodEntry& e) { return e.method == method; });
    return found != m_entries.end() ? *found : m_entries.front();
}

const MethodEntry* MethodTable::byCode(const QString& code) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&code](const MethodEntry& e) { return e.code == code; });
    return found != m_entries.end() ? &*found : nullptr;
}

const MethodEntry* MethodTable::byName(const QString& name) const {
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&name](const MethodEntry& e) { return e.name == name; });
    return found != m_entries.end() ? &*found : nullptr;
}

void MethodTable::replace(ConversionMethod method, ConversionProcedure procedure) {
    for (MethodEntry& entry : m_entries) {
        if (entry.method == method)
            entry.procedure = std::move(procedure);
    }
}

std::optional<ConversionMethod> methodFromCode(const QString& code) {
    const MethodEntry* entry = MethodTable::standard().byCode(code);
    return entry ? std::optional(entry->method) : std::nullopt;
}

std::optional<ConversionMethod> methodFromName(const QString& name) {
    const MethodEntry* entry = MethodTable::standard().byName(name);
    return entry ? std::optional(entry->method) : std::nullopt;
}

QString codeOfMethod(ConversionMethod method) {
    return MethodTable::standard()[method].code;
}

QString nameOfMethod(ConversionMethod method) {
    return MethodTable::standard()[method].name;
}

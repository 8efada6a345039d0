#pragma once

#include "convert/ConversionMethod.h"
#include "convert/ConversionRequest.h"
#include "convert/OutputNaming.h"
#include "convert/Procedures.h"

#include <QString>

#include <optional>
#include <vector>

// What a method can honour of the command's request beyond pages, resolution and quality, which
// every method takes.
struct MethodAbilities {
    bool fitsInBox = true;                   // fits each page in a box (--size)
    bool rgb = true;                         // writes three channels whatever the page holds
    bool grey = true;                        // writes grey whatever the page holds
    ColourMode ownColour = ColourMode::Auto; // what the method does when left its choice
    // The resolution the window's conversion uses; 0: the one typed in the window.
    double windowResolution = 0.0;
};

// Everything the program knows about one conversion method. This table is the only place a
// method is spelled: the window builds its options from it, the settings store its code, the
// command takes its name and the report records it.
struct MethodEntry {
    ConversionMethod method;
    QString code;    // stored under "Option"; compared as exact text
    QString name;    // on the command line and in the report
    QString caption; // of the window's option button
    QString control; // the name of that option button in the window's design
    ConversionProcedure procedure;
    MethodAbilities abilities;
    PageNumbering numbering; // how it names the images after the PDF
};

// The four methods in the order of their codes. Copies are independent: tests replace the
// procedure of an entry in their own copy.
class MethodTable {
public:
    MethodTable();

    // The table with the real procedures, shared by lookups that need no procedure.
    static const MethodTable& standard();

    const std::vector<MethodEntry>& entries() const { return m_entries; }
    const MethodEntry& operator[](ConversionMethod method) const;

    // "1".."4" exactly; any other text (" 4", "04", "") is no method.
    const MethodEntry* byCode(const QString& code) const;
    const MethodEntry* byName(const QString& name) const;

    void replace(ConversionMethod method, ConversionProcedure procedure);

private:
    std::vector<MethodEntry> m_entries;
};

// Lookups in the standard table.
std::optional<ConversionMethod> methodFromCode(const QString& code);
std::optional<ConversionMethod> methodFromName(const QString& name);
QString codeOfMethod(ConversionMethod method);
QString nameOfMethod(ConversionMethod method);

#pragma once

#include "protocol/Fault.h"

#include <QString>

// Success, or the fault and the reason of a failure in words a client can show.
struct EngineOutcome {
    Fault fault = Fault::None;
    QString error;
    bool ok() const { return fault == Fault::None; }
    static EngineOutcome success() { return {}; }
    static EngineOutcome failure(Fault fault, QString text) { return {fault, std::move(text)}; }
};

// text, which may quote another program's message, ending with one full stop.
inline QString withFullStop(QString text) {
    while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}

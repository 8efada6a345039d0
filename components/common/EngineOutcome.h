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

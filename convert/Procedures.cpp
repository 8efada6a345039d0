#include "convert/Procedures.h"

namespace {
std::size_t slotOf(ConversionMethod method) {
    return static_cast<std::size_t>(method) - 1;
}
} // namespace

ProcedureTable::ProcedureTable() {
    for (const MethodDescriptor& descriptor : conversionMethods())
        m_procedures.at(slotOf(descriptor.method)) = descriptor.procedure;
}

const ConversionProcedure& ProcedureTable::forMethod(ConversionMethod method) const {
    return m_procedures.at(slotOf(method));
}

void ProcedureTable::replace(ConversionMethod method, ConversionProcedure procedure) {
    m_procedures.at(slotOf(method)) = std::move(procedure);
}

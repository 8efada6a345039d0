#include "convert/Procedures.h"

const ConversionProcedure& ProcedureTable::forMethod(ConversionMethod method) const {
    switch (method) {
    case ConversionMethod::Acrobat:
        return acrobat;
    case ConversionMethod::Ghostscript:
        return ghostscript;
    case ConversionMethod::BlackWhite:
        return blackWhite;
    case ConversionMethod::GflAx:
        break;
    }
    return gflax;
}

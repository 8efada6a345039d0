#pragma once

#include "protocol/Fault.h"

// The fault of a failed write or file creation from its errno.
Fault writeFault(int error);

#pragma once

#include "cli/CliOptions.h"
#include "cli/RunReport.h"

// The settings each PDF of the run is converted with, as they are applied: the method's own
// resolution and colours where it keeps them, the window's texts read as the window reads
// them. The report records these, and a resumed run compares them.
ReportSettings AppliedSettings(const CliOptions& options);

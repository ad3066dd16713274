#pragma once
// The values a print button copies from its page for the report to print.

#include "common/pagevalues.h"

namespace printing {

using PrintJournal = common::JournalValues;
using PrintTotals = common::TotalsValues;

} // namespace printing

// The printed report of a pool: its identifier, whether it needs a password, and
// one line per member slot.
#ifndef MARLOX_POOL_POOL_REPORT_H_
#define MARLOX_POOL_POOL_REPORT_H_

#include <string>

#include "pool/discovery.h"

namespace marlox {

std::u16string FormatPoolReport(const DiscoveredPool& pool);

// Writes the report to standard output.
void PrintPoolReport(const DiscoveredPool& pool);

}  // namespace marlox

#endif  // MARLOX_POOL_POOL_REPORT_H_

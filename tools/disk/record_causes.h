// The names of a recorder-disk record type's cause bits, for listings.
#pragma once

#include <string>
#include <vector>

namespace brisca::tools::disk {

// The names of the cause bits set in `record_type`, in bit order:
// "manual" (0x08), "overspeed" (0x10), "emergency" (0x20), "dms" (0x40).
// Other bits have no name.
std::vector<const char*> CauseNameList(int record_type);

// The same names joined by '|' ("manual|dms" for 0x48); empty when none.
std::string CauseNames(int record_type);

}  // namespace brisca::tools::disk

// The two texts that end the program after a failed read or write; shared by the Run and Convert.
#pragma once

namespace gc {

inline constexpr const char* MSG_READ_ERROR = "READ ERROR: Program will now exit. Restart program.";
inline constexpr const char* MSG_WRITE_ERROR = "WRITE ERROR: Program will now exit. Restart program.";
// The start of the reason of a failed output: DETAIL_WRITING, the path, ": ", then the reason.
inline constexpr const char* DETAIL_WRITING = "writing ";

} // namespace gc

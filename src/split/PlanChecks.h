// The checks a plan and a task's report part pass before anything is taken from them. Both are input
// like the command line: a plan edited by hand (or damaged) must not reach the Run with a value the
// command line would refuse, and a part must not be merged as a done task when it is none. Files are
// read only when they are regular files of at most MAX_PLAN_BYTES, and JSON nested deeper than
// MAX_PLAN_NESTING is refused before it is parsed.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>

namespace gc {

inline constexpr std::size_t MAX_PLAN_BYTES = 64u << 20;
inline constexpr int MAX_PLAN_NESTING = 64;

// Reads the regular file `path` of at most MAX_PLAN_BYTES into `text`. False with `problem` empty
// when it cannot be opened or read, or set (PLAN_MSG_NOT_REGULAR, PLAN_MSG_TOO_LARGE) otherwise.
bool ReadPlanFile(const std::string& path, std::string& text, std::string& problem);

// Whether no array or object of the JSON text `text` lies deeper than MAX_PLAN_NESTING.
bool NestingWithinLimit(const std::string& text);

// "" when every value of the plan `document` is one split takes, else the first field that is not
// ("settings.binning", "files[0].images[1].corner.x").
std::string PlanValueProblem(const nlohmann::json& document);

// "" when `part` follows the schema of a task's report part, else the first field that does not.
std::string PartProblem(const nlohmann::json& part);

} // namespace gc

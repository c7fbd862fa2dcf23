// Texts of planned batches: a task refused because its scan changed since the plan, and the merge's
// account of the tasks. Each is printed after the scan's (or the plan's) name.
#pragma once

namespace gc {

inline constexpr const char* PLAN_MSG_SCAN_CHANGED = ": changed since the plan, not split: ";
inline constexpr const char* PLAN_MSG_SCAN_GONE = "the file is no longer there";
inline constexpr const char* PLAN_MSG_SIZE = "size ";
inline constexpr const char* PLAN_MSG_MTIME = "modification time ";
inline constexpr const char* PLAN_MSG_PLANNED = ", planned ";
inline constexpr const char* PLAN_MSG_NOW_NOT_FOUND = " now not found";
inline constexpr const char* PLAN_MSG_NOW_FOUND = " not found in the plan, now found at ";
inline constexpr const char* PLAN_MSG_NOW_AT = " now at ";
inline constexpr const char* PLAN_MSG_NOW_NAMED = " now named ";
inline constexpr const char* PLAN_MSG_NOW_OUTCOME = "planned as ";
inline constexpr const char* PLAN_MSG_NOT_A_PLAN = ": not a plan (write one with split --dry-run --report)";
inline constexpr const char* PLAN_MSG_PLAN_STOPPED = ": the plan's dry run did not complete";
inline constexpr const char* PLAN_MSG_TASK_MISSING = ": not run (no report part)";
inline constexpr const char* PLAN_MSG_TASK_FAILED = ": failed: ";

} // namespace gc

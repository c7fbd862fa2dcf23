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
// An image named as planned whose writing decision differs (a scan listed twice, an output made
// read-only): "image 1 s_1.mrc planned as written, now not written: <reason>".
inline constexpr const char* PLAN_MSG_NOW_WRITTEN_AS = " planned as ";
inline constexpr const char* PLAN_MSG_WRITTEN = "written";
inline constexpr const char* PLAN_MSG_NOT_WRITTEN = "not written: ";
inline constexpr const char* PLAN_MSG_NOT_A_PLAN = ": not a plan (write one with split --dry-run --report)";
inline constexpr const char* PLAN_MSG_PLAN_STOPPED = ": the plan's dry run did not complete";
inline constexpr const char* PLAN_MSG_TASK_MISSING = ": not run (no report part)";
inline constexpr const char* PLAN_MSG_TASK_FAILED = ": failed: ";
// A plan value the command line would refuse: the plan's name, this text, then the field
// ("settings.binning", "files[2].images[0].corner.x").
inline constexpr const char* PLAN_MSG_BAD_VALUE = ": not a value split takes: ";
// Plans and report parts are read only as regular files of at most 64 MiB, nested at most 64 deep;
// after the file's name and ": ".
inline constexpr const char* PLAN_MSG_NOT_REGULAR = "not a regular file";
inline constexpr const char* PLAN_MSG_TOO_LARGE = "larger than 64 MiB, not a plan or report part";
inline constexpr const char* PLAN_MSG_TOO_DEEP = "nested too deeply, not a plan or report part";
// A report part that does not follow the parts' schema: this text, then the field.
inline constexpr const char* PLAN_MSG_BAD_PART = "not a report part: ";
inline constexpr const char* PLAN_MSG_OTHER_TASK = "the report part belongs to another task";
// A plan that cannot be read and says not why: "reading ", the plan's name, then this text.
inline constexpr const char* PLAN_MSG_READING = "reading ";
inline constexpr const char* PLAN_MSG_UNREADABLE = ": cannot be read";
// A plan whose time is negative: PLAN_MSG_NOT_A_PLAN, then this text.
inline constexpr const char* PLAN_MSG_NEGATIVE_TIME = " (\"time\" is negative)";
// The parts of the changes the plan's check finds: "image 2 at (10, 20) now at (12, 20)", "planned as
// done, now skipped", joined by "; ".
inline constexpr const char* PLAN_MSG_IMAGE = "image ";
inline constexpr const char* PLAN_MSG_IMAGE_AT = " at ";
inline constexpr const char* PLAN_MSG_IMAGE_NAMED = " named ";
inline constexpr const char* PLAN_MSG_NOW = ", now ";
inline constexpr const char* PLAN_MSG_NANOSECONDS = " (ns)";
inline constexpr const char* PLAN_MSG_CHANGE_JOIN = "; ";
// A task in the merge's account: "task 3 (<scan>)" and what happened to it.
inline constexpr const char* PLAN_MSG_TASK = "task ";
// The merge's report would replace a file of the batch: "The report is not written: " and its name,
// then this text.
inline constexpr const char* PLAN_MSG_MERGE_IS_BATCH_FILE =
    " is a file of the batch (the plan, a scan, a task's report part or a planned output).";

} // namespace gc

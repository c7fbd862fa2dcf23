#include "PlanChecks.h"

#include "PlanMessages.h"
#include "RunSettings.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {
namespace {

using nlohmann::json;

struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool IntegerIn(const json& value, std::int64_t low, std::int64_t high) {
    if (value.is_number_unsigned()) {
        const std::uint64_t number = value.get<std::uint64_t>();
        return high >= 0 && number <= static_cast<std::uint64_t>(high) &&
               (low <= 0 || number >= static_cast<std::uint64_t>(low));
    }
    if (!value.is_number_integer())
        return false;
    const std::int64_t number = value.get<std::int64_t>();
    return number >= low && number <= high;
}

bool OneOf(const json& value, std::initializer_list<std::int64_t> allowed) {
    for (const std::int64_t candidate : allowed)
        if (IntegerIn(value, candidate, candidate))
            return true;
    return false;
}

bool TextOrNull(const json& object, const char* key) {
    return object.contains(key) && (object.at(key).is_string() || object.at(key).is_null());
}

// A number of angstrom or a magnification: absent or null (not set), else finite and above 0, and at
// most `high`.
bool OptionalPositive(const json& object, const char* key, double high) {
    if (!object.contains(key) || object.at(key).is_null())
        return true;
    const json& value = object.at(key);
    if (!value.is_number())
        return false;
    const double number = value.get<double>();
    return std::isfinite(number) && number > 0 && number <= high;
}

// The first field of the settings that split would refuse, or "".
std::string SettingsProblem(const json& s) {
    if (!s.is_object())
        return "settings";
    if (!s.contains("images") || !IntegerIn(s.at("images"), 1, 6))
        return "settings.images";
    if (!s.contains("height_cm") || !OneOf(s.at("height_cm"), {9, 10, 11}))
        return "settings.height_cm";
    if (!s.contains("width_cm") || !OneOf(s.at("width_cm"), {7, 8, 9}))
        return "settings.width_cm";
    if (!s.contains("binning") || !OneOf(s.at("binning"), {0, 2, 3, 4}))
        return "settings.binning";
    if (!s.contains("format") || (s.at("format") != "mrc" && s.at("format") != "tiff"))
        return "settings.format";
    if (s.contains("mrc2014") && !s.at("mrc2014").is_boolean())
        return "settings.mrc2014";
    if (!OptionalPositive(s, "pixel_size", MAX_PIXEL_SIZE))
        return "settings.pixel_size";
    if (!OptionalPositive(s, "magnification", HUGE_VAL))
        return "settings.magnification";
    if (!TextOrNull(s, "append") ||
        (s.at("append").is_string() &&
         (CharacterCount(s.at("append").get<std::string>()) > static_cast<std::size_t>(APPEND_STRING_LIMIT) ||
          !AppendStringStaysInFolder(s.at("append").get<std::string>()))))
        return "settings.append";
    if (!TextOrNull(s, "start_number"))
        return "settings.start_number";
    if (const json& number = s.at("start_number"); number.is_string()) {
        const std::string digits = number.get<std::string>();
        if (digits.size() > static_cast<std::size_t>(START_NUMBER_LIMIT) ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return "settings.start_number";
    }
    if (!TextOrNull(s, "output_dir"))
        return "settings.output_dir";
    if (!s.contains("dry_run") || !s.at("dry_run").is_boolean())
        return "settings.dry_run";
    return {};
}

// The first field of a planned image that is not one, or "".
std::string ImageProblem(const json& image, const std::string& at) {
    if (!image.is_object())
        return at;
    if (!image.contains("number") || !IntegerIn(image.at("number"), 1, 6))
        return at + ".number";
    if (!image.contains("found") || !image.at("found").is_boolean())
        return at + ".found";
    if (!image.at("found").get<bool>())
        return {};
    const json* corner = image.contains("corner") ? &image.at("corner") : nullptr;
    for (const char* axis : {"x", "y"})
        if (corner == nullptr || !corner->is_object() || !corner->contains(axis) ||
            !IntegerIn(corner->at(axis), 0, INT_MAX))
            return at + ".corner." + axis;
    if (!image.contains("name") || !image.at("name").is_string())
        return at + ".name";
    if (image.contains("not_written_because") && !image.at("not_written_because").is_string())
        return at + ".not_written_because";
    if (!image.contains("outputs") || !image.at("outputs").is_array())
        return at + ".outputs";
    for (std::size_t i = 0; i < image.at("outputs").size(); ++i) {
        const json& output = image.at("outputs")[i];
        if (!output.is_object() || !output.contains("path") || !output.at("path").is_string())
            return at + ".outputs[" + std::to_string(i) + "].path";
    }
    return {};
}

// The first field of a planned scan that is not one, or "".
std::string ScanProblem(const json& file, const std::string& at) {
    if (!file.is_object())
        return at;
    if (!file.contains("path") || !file.at("path").is_string() || file.at("path").get<std::string>().empty())
        return at + ".path";
    if (!file.contains("size") || !(file.at("size").is_null() || IntegerIn(file.at("size"), 0, INT64_MAX)))
        return at + ".size";
    if (!file.contains("mtime_ns") || file.at("mtime_ns").is_null() != file.at("size").is_null() ||
        !(file.at("mtime_ns").is_null() || IntegerIn(file.at("mtime_ns"), INT64_MIN, INT64_MAX)))
        return at + ".mtime_ns";
    if (!file.contains("outcome") || !file.at("outcome").is_string())
        return at + ".outcome";
    if (!file.contains("images") || !file.at("images").is_array() || file.at("images").size() > 6)
        return at + ".images";
    for (std::size_t i = 0; i < file.at("images").size(); ++i)
        if (std::string problem =
                ImageProblem(file.at("images")[i], at + ".images[" + std::to_string(i) + "]");
            !problem.empty())
            return problem;
    return {};
}

} // namespace

bool ReadPlanFile(const std::string& path, std::string& text, std::string& problem) {
    text.clear();
    problem.clear();
    // Not blocking on a FIFO: whatever is not a regular file is refused before it is read.
    const DescriptorCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    struct stat status {};
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0)
        return false;
    if (!S_ISREG(status.st_mode)) {
        problem = PLAN_MSG_NOT_REGULAR;
        return false;
    }
    if (static_cast<std::uintmax_t>(status.st_size) > MAX_PLAN_BYTES) {
        problem = PLAN_MSG_TOO_LARGE;
        return false;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t read = ::read(file.fd, chunk, sizeof chunk);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return false;
        if (read == 0)
            return true;
        if (static_cast<std::size_t>(read) > MAX_PLAN_BYTES - text.size()) {
            text.clear();
            problem = PLAN_MSG_TOO_LARGE;
            return false;
        }
        text.append(chunk, static_cast<std::size_t>(read));
    }
}

bool NestingWithinLimit(const std::string& text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MAX_PLAN_NESTING)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

std::string PlanValueProblem(const json& document) {
    if (!document.is_object())
        return "the plan";
    if (std::string problem =
            SettingsProblem(document.contains("settings") ? document.at("settings") : json());
        !problem.empty())
        return problem;
    const json& plan = document.at("plan");
    if (!plan.is_object() || !plan.contains("working_dir") || !plan.at("working_dir").is_string())
        return "plan.working_dir";
    if (!document.contains("files") || !document.at("files").is_array() ||
        document.at("files").size() > static_cast<std::size_t>(MAX_INPUT_FILES))
        return "files";
    for (std::size_t i = 0; i < document.at("files").size(); ++i)
        if (std::string problem = ScanProblem(document.at("files")[i], "files[" + std::to_string(i) + "]");
            !problem.empty())
            return problem;
    return {};
}

std::string PartProblem(const json& part) {
    if (!part.is_object())
        return "the part";
    if (!part.contains("task") || !IntegerIn(part.at("task"), 1, INT_MAX))
        return "task";
    if (!part.contains("path") || !part.at("path").is_string())
        return "path";
    if (!part.contains("outcome") || !part.at("outcome").is_string())
        return "outcome";
    const std::string outcome = part.at("outcome").get<std::string>();
    const bool done = outcome == "done" || outcome == "skipped";
    if (!done && outcome != "stopped" && outcome != "interrupted" && outcome != "refused")
        return "outcome";
    if (part.contains("message") && !part.at("message").is_string())
        return "message";
    if (done || part.contains("file")) {
        if (!part.contains("file") || !part.at("file").is_object())
            return "file";
        const json& file = part.at("file");
        if (!file.contains("path") || file.at("path") != part.at("path"))
            return "file.path";
        if (!file.contains("outcome") || file.at("outcome") != part.at("outcome"))
            return "file.outcome";
        if (file.contains("message") && !file.at("message").is_string() && !file.at("message").is_null())
            return "file.message";
        if (!file.contains("images") || !file.at("images").is_array())
            return "file.images";
    }
    return {};
}

} // namespace gc

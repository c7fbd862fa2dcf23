#include "PickCoordinates.h"

#include "core/FileHandles.h"
#include "core/PathStem.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string_view>

namespace gc {
namespace {

constexpr const char* BOX_SUFFIX = "_picks.box";
constexpr const char* STAR_SUFFIX = "_picks.star";
constexpr const char* STAR_X_LABEL = "_rlnCoordinateX";
constexpr const char* STAR_Y_LABEL = "_rlnCoordinateY";
// x, y, width, height, and EMAN's optional fifth number (a mode).
constexpr std::size_t BOX_FIELDS = 4;
constexpr std::size_t BOX_FIELDS_WITH_MODE = 5;

std::string Trim(const std::string& text) {
    const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; in >> field;)
        fields.push_back(field);
    return fields;
}

bool IsNumber(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// A whole number within the 32-bit range ("12" or "12.0"); false for anything else.
bool WholeNumber(const std::string& text, std::int64_t& value) {
    double number = 0;
    if (!IsNumber(text, number) || std::trunc(number) != number ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int64_t>(number);
    return true;
}

bool Fits(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

class Reader {
public:
    explicit Reader(CoordinateReading& reading) : m_reading(reading) {}
    bool Fail(int line, std::string problem) {
        m_reading.m_nBadLine = line;
        m_reading.m_strProblem = std::move(problem);
        return false;
    }
    bool Add(int line, std::int64_t x, std::int64_t y) {
        if (!Fits(x) || !Fits(y))
            return Fail(line, "the centre lies beyond the range of pixel numbers");
        m_reading.m_centres.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
        return true;
    }

private:
    CoordinateReading& m_reading;
};

// The .star row of a centre row and back; both directions are the same reflection.
std::int64_t StarRow(std::int64_t row, const CoordinateFrame& frame) {
    if (frame.m_rows == RowOrder::AsStored)
        return row;
    const std::int64_t half = frame.m_nBoxSize / 2;
    return std::int64_t{frame.m_nImageHeight} - row - (frame.m_nBoxSize - 2 * half);
}

bool ReadBoxLine(Reader& reader, int number, const std::string& line, const CoordinateFrame& frame) {
    const std::vector<std::string> fields = Fields(line);
    if (fields.size() != BOX_FIELDS && fields.size() != BOX_FIELDS_WITH_MODE)
        return reader.Fail(number, "a box line holds x, y, width and height (and an optional fifth number), "
                                   "found " +
                                       std::to_string(fields.size()) + " fields");
    std::int64_t values[BOX_FIELDS] = {};
    for (std::size_t i = 0; i < BOX_FIELDS; ++i)
        if (!WholeNumber(fields[i], values[i]))
            return reader.Fail(number, "not a whole number: " + fields[i]);
    double mode = 0;
    if (fields.size() == BOX_FIELDS_WITH_MODE && !IsNumber(fields[BOX_FIELDS], mode))
        return reader.Fail(number, "not a number: " + fields[BOX_FIELDS]);
    const std::int64_t left = values[0], bottom = values[1], width = values[2], height = values[3];
    if (width <= 0 || height <= 0)
        return reader.Fail(number, "the box width and height must be above 0");
    if (frame.m_rows == RowOrder::AsStored)
        return reader.Add(number, left + width / 2, bottom + height / 2);
    // Lower-left corner counted from the image's bottom-left, y upwards → centre from the top-left.
    return reader.Add(number, left + width / 2, frame.m_nImageHeight - bottom - height + height / 2);
}

bool ReadCsvLine(Reader& reader, int number, const std::string& line, bool firstLine) {
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos || line.find(',', comma + 1) != std::string::npos)
        return reader.Fail(number, "a line holds two numbers x,y");
    const std::string xText = Trim(line.substr(0, comma));
    const std::string yText = Trim(line.substr(comma + 1));
    double ignored = 0;
    if (firstLine && !IsNumber(xText, ignored) && !IsNumber(yText, ignored))
        return true; // a header such as "x,y"
    std::int64_t x = 0, y = 0;
    if (!WholeNumber(xText, x))
        return reader.Fail(number, "not a whole number: " + xText);
    if (!WholeNumber(yText, y))
        return reader.Fail(number, "not a whole number: " + yText);
    return reader.Add(number, x, y);
}

// The STAR reading: the first loop of a data block with both coordinate labels gives the centres;
// other loops and single values are passed over.
class StarReader {
public:
    StarReader(Reader& reader, const CoordinateFrame& frame) : m_reader(reader), m_frame(frame) {}

    bool Line(int number, const std::string& line) {
        const std::vector<std::string> fields = Fields(line);
        const std::string& word = fields.front();
        if (word.rfind("data_", 0) == 0) {
            EndLoop();
            m_state = State::Outside;
            return true;
        }
        if (word == "loop_") {
            EndLoop();
            m_labels.clear();
            m_state = State::Labels;
            return true;
        }
        if (word.front() == '_') {
            if (m_state == State::Labels) {
                m_labels.push_back(word);
                return true;
            }
            EndLoop();
            m_state = State::Outside; // a single value of the block
            return true;
        }
        if (m_state == State::Labels)
            StartRows();
        if (m_state != State::Rows || !m_bCoordinateLoop)
            return true;
        std::size_t count = 0;
        while (count < fields.size() && fields[count].front() != '#')
            ++count;
        if (count != m_labels.size())
            return m_reader.Fail(number, "the loop has " + std::to_string(m_labels.size()) +
                                             " columns, found " + std::to_string(count) + " values");
        std::int64_t x = 0, y = 0;
        if (!WholeNumber(fields[m_nX], x))
            return m_reader.Fail(number,
                                 std::string(STAR_X_LABEL) + " is not a whole number: " + fields[m_nX]);
        if (!WholeNumber(fields[m_nY], y))
            return m_reader.Fail(number,
                                 std::string(STAR_Y_LABEL) + " is not a whole number: " + fields[m_nY]);
        return m_reader.Add(number, x, StarRow(y, m_frame));
    }

    bool Finish() {
        if (m_state == State::Labels)
            StartRows();
        EndLoop();
        if (!m_bFound)
            return m_reader.Fail(0, std::string("no loop of ") + STAR_X_LABEL + " and " + STAR_Y_LABEL);
        return true;
    }

private:
    enum class State { Outside, Labels, Rows };

    void StartRows() {
        m_state = State::Rows;
        const auto x = std::find(m_labels.begin(), m_labels.end(), STAR_X_LABEL);
        const auto y = std::find(m_labels.begin(), m_labels.end(), STAR_Y_LABEL);
        m_bCoordinateLoop = !m_bFound && x != m_labels.end() && y != m_labels.end();
        if (m_bCoordinateLoop) {
            m_nX = static_cast<std::size_t>(x - m_labels.begin());
            m_nY = static_cast<std::size_t>(y - m_labels.begin());
        }
    }
    void EndLoop() {
        if (m_bCoordinateLoop)
            m_bFound = true;
        m_bCoordinateLoop = false;
    }

    Reader& m_reader;
    const CoordinateFrame& m_frame;
    State m_state = State::Outside;
    std::vector<std::string> m_labels;
    bool m_bCoordinateLoop = false;
    bool m_bFound = false;
    std::size_t m_nX = 0;
    std::size_t m_nY = 0;
};

} // namespace

std::string PickBoxFileName(const std::string& openFilePath) {
    return StemToLastDot(openFilePath) + BOX_SUFFIX;
}

std::string PickStarFileName(const std::string& openFilePath) {
    return StemToLastDot(openFilePath) + STAR_SUFFIX;
}

std::string EmanBoxText(const std::vector<PickPoint>& centres, const CoordinateFrame& frame) {
    const int size = frame.m_nBoxSize;
    const std::int64_t half = size / 2;
    std::string text;
    for (const PickPoint& centre : centres) {
        const std::int64_t left = centre.x - half;
        const std::int64_t bottom = frame.m_rows == RowOrder::AsStored
                                        ? centre.y - half
                                        : std::int64_t{frame.m_nImageHeight} - (centre.y - half + size);
        text += std::to_string(left) + "\t" + std::to_string(bottom) + "\t" + std::to_string(size) + "\t" +
                std::to_string(size) + "\n";
    }
    return text;
}

std::string RelionStarText(const std::vector<PickPoint>& centres, const CoordinateFrame& frame) {
    std::string text = frame.m_rows == RowOrder::AsStored
                           ? "# Pick centres in pixels from the top-left pixel, y downwards\n"
                           : "# Pick centres in pixels from the bottom-left pixel, y upwards\n";
    text += "\ndata_\n\nloop_\n";
    text += std::string(STAR_X_LABEL) + " #1\n" + STAR_Y_LABEL + " #2\n";
    for (const PickPoint& centre : centres)
        text += std::to_string(centre.x) + "\t" + std::to_string(StarRow(centre.y, frame)) + "\n";
    return text + "\n";
}

CoordinateFileRead ReadCoordinateFile(const std::string& path, std::string& text) {
    text.clear();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return CoordinateFileRead::Unreadable;
    char chunk[65536];
    for (std::size_t read; (read = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        if (read > MAX_COORDINATE_FILE_BYTES - text.size()) {
            text.clear();
            return CoordinateFileRead::TooLarge;
        }
        text.append(chunk, read);
    }
    return std::ferror(file.get()) == 0 ? CoordinateFileRead::Read : CoordinateFileRead::Unreadable;
}

std::optional<CoordinateFormat> CoordinateFormatOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "box")
        return CoordinateFormat::EmanBox;
    if (extension == "star")
        return CoordinateFormat::RelionStar;
    if (extension == "csv")
        return CoordinateFormat::Csv;
    return std::nullopt;
}

CoordinateReading ParseCoordinates(const std::string& text, CoordinateFormat format,
                                   const CoordinateFrame& frame) {
    CoordinateReading reading;
    Reader reader(reading);
    StarReader star(reader, frame);
    // A byte-order mark (spreadsheets write one) is not part of the first line.
    constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    std::istringstream in(text.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0
                              ? text.substr(BYTE_ORDER_MARK.size())
                              : text);
    bool firstLine = true;
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        const std::string line = Trim(raw);
        if (line.empty() || line.front() == '#')
            continue;
        bool ok = true;
        switch (format) {
        case CoordinateFormat::EmanBox:
            ok = ReadBoxLine(reader, number, line, frame);
            break;
        case CoordinateFormat::RelionStar:
            ok = star.Line(number, line);
            break;
        case CoordinateFormat::Csv:
            ok = ReadCsvLine(reader, number, line, firstLine);
            break;
        }
        firstLine = false;
        if (!ok) {
            reading.m_centres.clear();
            return reading;
        }
    }
    if (format == CoordinateFormat::RelionStar && !star.Finish())
        reading.m_centres.clear();
    return reading;
}

} // namespace gc

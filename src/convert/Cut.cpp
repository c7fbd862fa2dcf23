#include "Cut.h"

#include "BatchNames.h"
#include "ConvertMessages.h"
#include "FileBatch.h"
#include "NumberText.h"
#include "OutputNames.h"
#include "PixelStatistics.h"
#include "StripImage.h"
#include "SystemReason.h"
#include "core/TiffErrors.h"
#include "image/TiffRowFile.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace gc {
namespace {

constexpr std::uint32_t PROGRESS_ROW_STEP = 1000;
constexpr std::uint32_t CUT_ROWS_PER_STRIP = 1;

// A READ ERROR or WRITE ERROR stop (`text`), after a detail line naming the file and errno's reason.
ConvertOutcome FatalStop(Messages& messages, const char* doing, const std::string& path, const char* text,
                         ConvertOutcome outcome) {
    const int error = errno;
    messages.Detail(doing + (" " + path) + ": " + SystemReason(error));
    messages.Error(text);
    return outcome;
}

// The WRITE ERROR stop of an output that cannot be created or cannot take its name.
ConvertOutcome WriteStop(Messages& messages, const RowFileResult& failure) {
    messages.Detail(failure.what + ": " + SystemReason(failure.error));
    messages.Error(MSG_WRITE_ERROR);
    return ConvertOutcome::FatalWrite;
}

bool CornerAccepted(long long value, int lower, int upper) {
    return value > lower && value <= upper;
}

// The message for the first corner beyond the image (start X, end X, start Y, end Y), or nullptr.
const char* RectangleOutside(const CutRectangle& rectangle, const StripTags& tags) {
    if (static_cast<std::uint32_t>(rectangle.m_nStartX) > tags.m_nWidth)
        return MSG_CUT_START_X_OUTSIDE;
    if (static_cast<std::uint32_t>(rectangle.m_nEndX) > tags.m_nWidth)
        return MSG_CUT_END_X_OUTSIDE;
    if (static_cast<std::uint32_t>(rectangle.m_nStartY) > tags.m_nLength)
        return MSG_CUT_START_Y_OUTSIDE;
    if (static_cast<std::uint32_t>(rectangle.m_nEndY) > tags.m_nLength)
        return MSG_CUT_END_Y_OUTSIDE;
    return nullptr;
}

// The output: the rectangle's size, the input's depth, one row per strip, and the input's
// compression, photometric interpretation and orientation where it has them.
RowFileDescription CutDescription(TIFF* in, const StripTags& tags, const CutRectangle& rectangle) {
    RowFileDescription description;
    description.width = rectangle.Width();
    description.height = rectangle.Height();
    description.bitsPerSample = static_cast<std::uint16_t>(tags.m_nBitsPerSample);
    std::uint16_t value = 0;
    if (TIFFGetField(in, TIFFTAG_COMPRESSION, &value) == 1)
        description.compression = value;
    description.photometric.reset();
    if (TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &value) == 1)
        description.photometric = value;
    if (TIFFGetField(in, TIFFTAG_ORIENTATION, &value) == 1)
        description.orientation = value;
    return description;
}

// What CopyRectangleRows reads from and writes to.
struct RowCopy {
    TIFF* input;
    TiffRowFile& output;
    StripBuffer& strip;
    const StripTags& tags;
    const CutRectangle& rectangle;
};

// The result of a copy: a failed write carries the output's name and the reason.
using CopyResult = Result<ConvertOutcome>;

// Reads the rows from the first to the last, each row being one strip, and writes the columns and
// rows of the rectangle to the output, one output row per strip, then finishes the output. A write
// that fails ends it with CannotHandle and the write's reason; an output that cannot take its name
// with FatalWrite.
CopyResult CopyRectangleRows(const RowCopy& copy, int fileIndex, int fileCount, Progress& progress) {
    const CutRectangle& rectangle = copy.rectangle;
    const bool sixteenBit = copy.tags.m_nBitsPerSample == 16;
    const std::size_t firstColumn = static_cast<std::size_t>(rectangle.m_nStartX - 1);
    std::vector<unsigned char> outRow;
    try {
        outRow.assign(static_cast<std::size_t>(rectangle.Width()) * (sixteenBit ? 2 : 1), 0);
    } catch (const std::bad_alloc&) {
        return CopyResult::Of(ConvertOutcome::CannotHandle);
    }
    const std::uint32_t length = copy.tags.m_nLength;
    for (std::uint32_t r = 1; r <= length; ++r) {
        if (progress.StopRequested())
            return CopyResult::Of(ConvertOutcome::Interrupted);
        if (!copy.strip.Read(copy.input, r - 1))
            return CopyResult::Of(ConvertOutcome::CannotHandle);
        if (r >= static_cast<std::uint32_t>(rectangle.m_nStartY) &&
            r <= static_cast<std::uint32_t>(rectangle.m_nEndY)) {
            const void* source = sixteenBit ? static_cast<const void*>(copy.strip.Samples16() + firstColumn)
                                            : static_cast<const void*>(copy.strip.Samples8() + firstColumn);
            std::memcpy(outRow.data(), source, outRow.size());
            if (const RowFileResult written = copy.output.WriteRow(outRow.data()); !written.Succeeded())
                return written.As(ConvertOutcome::CannotHandle);
        }
        if ((r - 1) % PROGRESS_ROW_STEP == 0) {
            progress.SetPos(
                ProgressPosition(static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(fileIndex + 1),
                                 static_cast<std::uint64_t>(length) * static_cast<std::uint64_t>(fileCount)));
        }
    }
    // The directory that completes the output; a failure leaves it unusable. A complete output that
    // cannot take its name was, for the user, never created.
    const RowFileResult finished = copy.output.Finish();
    return finished.As(finished.outcome == RowFileOutcome::NotRenamed ? ConvertOutcome::FatalWrite
                       : finished.Succeeded()                         ? ConvertOutcome::Done
                                                                      : ConvertOutcome::CannotHandle);
}

} // namespace

bool ReadCutRectangle(const std::string& startX, const std::string& startY, const std::string& endX,
                      const std::string& endY, int lower, int upper, CutRectangle& rectangle,
                      Messages& messages) {
    const struct {
        const std::string& text;
        int& value;
        const char* message;
    } fields[] = {
        {startX, rectangle.m_nStartX, MSG_CUT_START_X_RANGE},
        {startY, rectangle.m_nStartY, MSG_CUT_START_Y_RANGE},
        {endX, rectangle.m_nEndX, MSG_CUT_END_X_RANGE},
        {endY, rectangle.m_nEndY, MSG_CUT_END_Y_RANGE},
    };
    for (const auto& field : fields) {
        const long long value = ParseLeadingInteger(field.text);
        if (!CornerAccepted(value, lower, upper)) {
            messages.Warning(field.message);
            return false;
        }
        field.value = static_cast<int>(value);
    }
    if (rectangle.m_nEndY <= rectangle.m_nStartY || rectangle.m_nEndX <= rectangle.m_nStartX) {
        messages.Warning(MSG_CUT_END_NOT_LARGER);
        return false;
    }
    return true;
}

ConvertOutcome CutFiles(const std::vector<std::string>& files, const CutRectangle& rectangle, bool statistics,
                        Messages& messages, Progress& progress) {
    return ForEachFile(
        files,
        [](const std::string& path, int fileIndex) {
            return std::vector<std::string>{CutFileName(path, fileIndex)};
        },
        [&](const std::string& path, int fileIndex, int fileCount) {
            return CutFile(path, fileIndex, fileCount, rectangle, statistics, messages, progress);
        },
        messages, progress);
}

ConvertOutcome CutFile(const std::string& path, int fileIndex, int fileCount, const CutRectangle& rectangle,
                       bool statistics, Messages& messages, Progress& progress) {
    TiffErrorScope errors(messages);
    const std::string outputName = CutFileName(path, fileIndex);
    if (statistics)
        ReportPixelStatistics(path, 0, messages);

    errno = 0;
    TiffHandle input(TIFFOpen(path.c_str(), "r"));
    if (!input) {
        return FatalStop(messages, "reading", path, MSG_READ_ERROR, ConvertOutcome::FatalRead);
    }
    // The output is written under a temporary name and takes its own name only when complete.
    TIFFSetDirectory(input.get(), 0);
    const StripTags tags = ReadStripTags(input.get());
    TiffRowFile output;
    if (const RowFileResult opened = output.Open(outputName, CutDescription(input.get(), tags, rectangle));
        !opened.Succeeded())
        return WriteStop(messages, opened);
    if (const char* problem = StripTagsProblem(tags, CUT_ROWS_PER_STRIP, MSG_CUT_ONE_ROW_PER_STRIP)) {
        messages.Warning(problem);
        output.Discard();
        input.reset();
        messages.Error(MSG_READ_ERROR);
        return ConvertOutcome::FatalRead;
    }
    if (const char* outside = RectangleOutside(rectangle, tags)) {
        messages.Warning(outside);
        return ConvertOutcome::CannotHandle;
    }
    StripBuffer strip;
    if (!strip.Allocate(input.get(), tags))
        return ConvertOutcome::CannotHandle;

    const RowCopy copy{input.get(), output, strip, tags, rectangle};
    const CopyResult copied = CopyRectangleRows(copy, fileIndex, fileCount, progress);
    if (copied.outcome == ConvertOutcome::FatalWrite)
        return WriteStop(messages, copied.As(RowFileOutcome::NotRenamed));
    if (copied.outcome == ConvertOutcome::CannotHandle && !copied.what.empty()) {
        // The library's own reports of closing the broken output (TiffRowFile closes it at the
        // failure) come before the detail and the text.
        messages.Detail(copied.what + ": " + SystemReason(copied.error));
        messages.Warning(MSG_CUT_ERROR_WRITING);
    }
    return copied.outcome;
}

ConvertOutcome CutFromTexts(const std::vector<std::string>& files, const CutTexts& texts, bool statistics,
                            Messages& messages, Progress& progress) {
    if (files.empty()) {
        messages.Warning(MSG_LOAD_VALID_TIFF_FIRST);
        return ConvertOutcome::Refused;
    }
    StartProgress(progress);
    CutRectangle rectangle;
    if (!ReadCutRectangle(texts.startX, texts.startY, texts.endX, texts.endY, CUT_LOWER_LIMIT,
                          CUT_UPPER_LIMIT, rectangle, messages))
        return ConvertOutcome::Refused;
    return CutFiles(files, rectangle, statistics, messages, progress);
}

} // namespace gc

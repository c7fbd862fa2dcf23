#include "Cut.h"

#include "BatchNames.h"
#include "ConvertMessages.h"
#include "FileBatch.h"
#include "NumberText.h"
#include "OutputNames.h"
#include "PendingOutput.h"
#include "PixelStatistics.h"
#include "StripImage.h"
#include "core/PendingFile.h"
#include "core/TiffErrors.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <unistd.h>

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

// The output's tags: the rectangle's size, the input's depth, one row per strip, and the input's
// compression, photometric interpretation and orientation where it has them.
void SetCutTags(TIFF* out, TIFF* in, const StripTags& tags, const CutRectangle& rectangle) {
    std::uint16_t compression = 0, photometric = 0, orientation = 0;
    const bool hasCompression = TIFFGetField(in, TIFFTAG_COMPRESSION, &compression) == 1;
    const bool hasPhotometric = TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &photometric) == 1;
    const bool hasOrientation = TIFFGetField(in, TIFFTAG_ORIENTATION, &orientation) == 1;
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(rectangle.Width()));
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(rectangle.Height()));
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, tags.m_nBitsPerSample);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(1));
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, CUT_ROWS_PER_STRIP);
    TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, static_cast<std::uint16_t>(RESUNIT_NONE));
    TIFFSetField(out, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(PLANARCONFIG_CONTIG));
    if (hasCompression)
        TIFFSetField(out, TIFFTAG_COMPRESSION, compression);
    if (hasPhotometric)
        TIFFSetField(out, TIFFTAG_PHOTOMETRIC, photometric);
    if (hasOrientation)
        TIFFSetField(out, TIFFTAG_ORIENTATION, orientation);
}

// What CopyRectangleRows reads from and writes to.
struct RowCopy {
    TIFF* input;
    TIFF* output;
    StripBuffer& strip;
    const StripTags& tags;
    const CutRectangle& rectangle;
};

// Marks `writeError` as not set: errno values are positive, and a failed write may leave errno 0.
constexpr int NO_WRITE_PROBLEM = -1;

// Reads the rows from the first to the last, each row being one strip, and writes the columns and
// rows of the rectangle to the output, one output row per strip, then flushes the directory that
// completes the output. A write that fails ends it with CannotHandle and `writeError` set to errno.
ConvertOutcome CopyRectangleRows(const RowCopy& copy, int fileIndex, int fileCount, Progress& progress,
                                 int& writeError) {
    writeError = NO_WRITE_PROBLEM;
    const CutRectangle& rectangle = copy.rectangle;
    const bool sixteenBit = copy.tags.m_nBitsPerSample == 16;
    const std::size_t firstColumn = static_cast<std::size_t>(rectangle.m_nStartX - 1);
    std::vector<unsigned char> outRow;
    try {
        outRow.assign(static_cast<std::size_t>(rectangle.Width()) * (sixteenBit ? 2 : 1), 0);
    } catch (const std::bad_alloc&) {
        return ConvertOutcome::CannotHandle;
    }
    const std::uint32_t length = copy.tags.m_nLength;
    std::uint32_t outStrip = 0;
    for (std::uint32_t r = 1; r <= length; ++r) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (!copy.strip.Read(copy.input, r - 1))
            return ConvertOutcome::CannotHandle;
        if (r >= static_cast<std::uint32_t>(rectangle.m_nStartY) &&
            r <= static_cast<std::uint32_t>(rectangle.m_nEndY)) {
            const void* source = sixteenBit ? static_cast<const void*>(copy.strip.Samples16() + firstColumn)
                                            : static_cast<const void*>(copy.strip.Samples8() + firstColumn);
            std::memcpy(outRow.data(), source, outRow.size());
            errno = 0;
            if (TIFFWriteEncodedStrip(copy.output, outStrip, outRow.data(),
                                      static_cast<tmsize_t>(outRow.size())) < 0) {
                writeError = errno;
                return ConvertOutcome::CannotHandle;
            }
            ++outStrip;
        }
        if ((r - 1) % PROGRESS_ROW_STEP == 0) {
            progress.SetPos(
                ProgressPosition(static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(fileIndex + 1),
                                 static_cast<std::uint64_t>(length) * static_cast<std::uint64_t>(fileCount)));
        }
    }
    // Flushing writes the directory that completes the output; a failure leaves it unusable.
    errno = 0;
    if (TIFFFlush(copy.output) != 1) {
        writeError = errno;
        return ConvertOutcome::CannotHandle;
    }
    return ConvertOutcome::Done;
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
    // The output is written under a temporary name (closed before the temporary is removed) and takes
    // its own name only when complete.
    PendingFile pending(outputName);
    errno = 0;
    const int outputFd = pending.Create();
    TiffHandle output(outputFd >= 0 ? TIFFFdOpen(outputFd, pending.TemporaryPath().c_str(), "w") : nullptr);
    if (outputFd >= 0 && !output) {
        const int error = errno;
        ::close(outputFd);
        errno = error;
    }
    if (!output)
        return FatalStop(messages, "writing", outputName, MSG_WRITE_ERROR, ConvertOutcome::FatalWrite);
    TIFFSetDirectory(input.get(), 0);
    const StripTags tags = ReadStripTags(input.get());
    if (const char* problem = StripTagsProblem(tags, CUT_ROWS_PER_STRIP, MSG_CUT_ONE_ROW_PER_STRIP)) {
        messages.Warning(problem);
        output.reset();
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

    SetCutTags(output.get(), input.get(), tags, rectangle);
    int writeError = 0;
    const RowCopy copy{input.get(), output.get(), strip, tags, rectangle};
    const ConvertOutcome copied = CopyRectangleRows(copy, fileIndex, fileCount, progress, writeError);
    if (copied == ConvertOutcome::CannotHandle && writeError != NO_WRITE_PROBLEM) {
        // The library's own reports of closing the broken output come before the detail and the text.
        output.reset();
        messages.Detail("writing " + outputName + ": " + SystemReason(writeError));
        messages.Warning(MSG_CUT_ERROR_WRITING);
    }
    if (copied != ConvertOutcome::Done)
        return copied;
    output.reset();
    // A complete output that cannot take its name was, for the user, never created.
    if (!pending.Commit())
        return FatalStop(messages, "writing", outputName, MSG_WRITE_ERROR, ConvertOutcome::FatalWrite);
    return ConvertOutcome::Done;
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

#include "Cut.h"

#include "BatchNames.h"
#include "ConvertMessages.h"
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

bool CornerAccepted(long long value, int lower, int upper) {
    return value > lower && value <= upper;
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
    TiffErrorScope errors(messages);
    const int count = static_cast<int>(files.size());
    NameRegistry names = BatchNamesOf(files);
    bool anyNotWritten = false;
    for (int i = 0; i < count; ++i) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (!ClaimBatchOutputs(names, files[i], {CutFileName(files[i], i)}, messages)) {
            anyNotWritten = true;
            continue;
        }
        const ConvertOutcome outcome = CutFile(files[i], i, count, rectangle, statistics, messages, progress);
        if (outcome != ConvertOutcome::Done)
            return outcome;
    }
    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_END);
    messages.Information(MSG_DONE);
    return anyNotWritten ? ConvertOutcome::Skipped : ConvertOutcome::Done;
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
        messages.Detail("reading " + path + ": " + SystemReason(errno));
        messages.Error(MSG_READ_ERROR);
        return ConvertOutcome::FatalRead;
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
    if (!output) {
        messages.Detail("writing " + outputName + ": " + SystemReason(errno));
        messages.Error(MSG_WRITE_ERROR);
        return ConvertOutcome::FatalWrite;
    }
    // The library's own reports of closing the broken output come before the detail and the text.
    const auto writeProblem = [&messages, &outputName, &output](int error) {
        output.reset();
        messages.Detail("writing " + outputName + ": " + SystemReason(error));
        messages.Warning(MSG_CUT_ERROR_WRITING);
        return ConvertOutcome::CannotHandle;
    };
    TIFFSetDirectory(input.get(), 0);
    const StripTags tags = ReadStripTags(input.get());
    std::uint16_t compression = 0, photometric = 0, orientation = 0;
    const bool hasCompression = TIFFGetField(input.get(), TIFFTAG_COMPRESSION, &compression) == 1;
    const bool hasPhotometric = TIFFGetField(input.get(), TIFFTAG_PHOTOMETRIC, &photometric) == 1;
    const bool hasOrientation = TIFFGetField(input.get(), TIFFTAG_ORIENTATION, &orientation) == 1;

    if (const char* problem = StripTagsProblem(tags, CUT_ROWS_PER_STRIP, MSG_CUT_ONE_ROW_PER_STRIP)) {
        messages.Warning(problem);
        output.reset();
        input.reset();
        messages.Error(MSG_READ_ERROR);
        return ConvertOutcome::FatalRead;
    }

    const std::uint32_t width = tags.m_nWidth;
    const std::uint32_t length = tags.m_nLength;
    const char* outside = nullptr;
    if (static_cast<std::uint32_t>(rectangle.m_nStartX) > width)
        outside = MSG_CUT_START_X_OUTSIDE;
    else if (static_cast<std::uint32_t>(rectangle.m_nEndX) > width)
        outside = MSG_CUT_END_X_OUTSIDE;
    else if (static_cast<std::uint32_t>(rectangle.m_nStartY) > length)
        outside = MSG_CUT_START_Y_OUTSIDE;
    else if (static_cast<std::uint32_t>(rectangle.m_nEndY) > length)
        outside = MSG_CUT_END_Y_OUTSIDE;
    if (outside != nullptr) {
        messages.Warning(outside);
        return ConvertOutcome::CannotHandle;
    }

    StripBuffer strip;
    if (!strip.Allocate(input.get(), tags))
        return ConvertOutcome::CannotHandle;
    const bool sixteenBit = tags.m_nBitsPerSample == 16;
    const std::size_t bytesPerSample = sixteenBit ? 2 : 1;
    const std::size_t outWidth = static_cast<std::size_t>(rectangle.Width());
    std::vector<unsigned char> outRow;
    try {
        outRow.assign(outWidth * bytesPerSample, 0);
    } catch (const std::bad_alloc&) {
        return ConvertOutcome::CannotHandle;
    }

    TIFF* out = output.get();
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

    // Rows are read from the first to the last, each row being one strip; the columns and rows of
    // the rectangle go to the output, one output row per strip.
    const std::size_t firstColumn = static_cast<std::size_t>(rectangle.m_nStartX - 1);
    std::uint32_t outStrip = 0;
    for (std::uint32_t r = 1; r <= length; ++r) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (!strip.Read(input.get(), r - 1))
            return ConvertOutcome::CannotHandle;
        if (r >= static_cast<std::uint32_t>(rectangle.m_nStartY) &&
            r <= static_cast<std::uint32_t>(rectangle.m_nEndY)) {
            const void* source = sixteenBit ? static_cast<const void*>(strip.Samples16() + firstColumn)
                                            : static_cast<const void*>(strip.Samples8() + firstColumn);
            std::memcpy(outRow.data(), source, outRow.size());
            errno = 0;
            if (TIFFWriteEncodedStrip(out, outStrip, outRow.data(), static_cast<tmsize_t>(outRow.size())) < 0)
                return writeProblem(errno);
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
    if (TIFFFlush(out) != 1)
        return writeProblem(errno);
    output.reset();
    // A complete output that cannot take its name was, for the user, never created.
    if (!pending.Commit()) {
        messages.Detail("writing " + outputName + ": " + SystemReason(errno));
        messages.Error(MSG_WRITE_ERROR);
        return ConvertOutcome::FatalWrite;
    }
    return ConvertOutcome::Done;
}

ConvertOutcome CutFromTexts(const std::vector<std::string>& files, const CutTexts& texts, bool statistics,
                            Messages& messages, Progress& progress) {
    if (files.empty()) {
        messages.Warning(MSG_LOAD_VALID_TIFF_FIRST);
        return ConvertOutcome::Refused;
    }
    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_START);
    CutRectangle rectangle;
    if (!ReadCutRectangle(texts.startX, texts.startY, texts.endX, texts.endY, CUT_LOWER_LIMIT,
                          CUT_UPPER_LIMIT, rectangle, messages))
        return ConvertOutcome::Refused;
    return CutFiles(files, rectangle, statistics, messages, progress);
}

} // namespace gc

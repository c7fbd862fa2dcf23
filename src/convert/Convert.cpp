#include "Convert.h"

#include "BatchNames.h"
#include "ConvertMessages.h"
#include "FileBatch.h"
#include "GainTable.h"
#include "NumberText.h"
#include "OutputNames.h"
#include "PixelStatistics.h"
#include "SystemReason.h"
#include "core/FileHandles.h"
#include "core/TiffErrors.h"
#include "image/MrcHeader.h"
#include "image/MrcRowFile.h"

#include <algorithm>
#include <cerrno>

namespace gc {
namespace {

constexpr std::uint32_t PROGRESS_STRIP_STEP = 1000;

// The WRITE ERROR stop, after a line naming the file and the system's reason (`error`, an errno).
ConvertOutcome WriteError(Messages& messages, const std::string& path, int error) {
    messages.Detail(DETAIL_WRITING + path + ": " + SystemReason(error));
    messages.Error(MSG_WRITE_ERROR);
    return ConvertOutcome::FatalWrite;
}

// The same for a failed output file.
ConvertOutcome WriteError(Messages& messages, const RowFileResult& failure) {
    messages.Detail(failure.what + ": " + SystemReason(failure.error));
    messages.Error(MSG_WRITE_ERROR);
    return ConvertOutcome::FatalWrite;
}

// The same after reading back the file Convert has just written.
ConvertOutcome ReadBackError(Messages& messages, const std::string& path, int error) {
    messages.Detail("reading " + path + ": " + SystemReason(error));
    messages.Error(MSG_WRITE_ERROR);
    return ConvertOutcome::FatalWrite;
}

const char* BinnedLabel(int binSize) {
    return binSize == 2 ? LABEL_OD_2_BINNED : binSize == 3 ? LABEL_OD_3_BINNED : LABEL_OD_4_BINNED;
}

// The bar after strip `strip` of file `fileIndex`: 10 + (s + 1)(i + 1)·RowsPerStrip·90 ÷ (L · count),
// kept within the bar's range.
int SecondPassPosition(std::uint32_t strip, int fileIndex, int fileCount, const StripTags& tags) {
    const std::uint64_t done = (static_cast<std::uint64_t>(strip) + 1) *
                               static_cast<std::uint64_t>(fileIndex + 1) * tags.m_nRowsPerStrip;
    return ProgressPosition(done, static_cast<std::uint64_t>(tags.m_nLength) *
                                      static_cast<std::uint64_t>(fileCount));
}

// An input file of Convert, open and checked.
struct ConvertInput {
    TiffHandle tiff;
    StripTags tags;
    StripBuffer strip;
};

// Opens `path`, reads and checks its tags (a file Convert cannot handle shows its message), allocates
// the strip buffer, decides an automatic scale from the first file's depth, and refuses a binned copy
// beyond MAX_BINNED_SIZE (a WRITE ERROR stop). Done when the file can be converted.
ConvertOutcome OpenConvertInput(const std::string& path, ConvertSettings& settings, ConvertInput& input,
                                Messages& messages) {
    input.tiff.reset(TIFFOpen(path.c_str(), "r"));
    if (!input.tiff) {
        messages.Warning(MSG_COULD_NOT_OPEN_TIFF);
        return ConvertOutcome::CannotHandle;
    }
    TIFFSetDirectory(input.tiff.get(), 0);
    input.tags = ReadStripTags(input.tiff.get());
    const StripTags& tags = input.tags;
    if (const char* problem =
            StripTagsProblem(tags, MAX_ROWS_PER_STRIP, MSG_CONVERT_TOO_MANY_ROWS_PER_STRIP)) {
        messages.Warning(problem);
        return ConvertOutcome::CannotHandle;
    }
    if (!input.strip.Allocate(input.tiff.get(), tags))
        return ConvertOutcome::CannotHandle;

    if (settings.m_nOutputFormat == OUTPUT_FORMAT_AUTO)
        settings.m_nOutputFormat = tags.m_nBitsPerSample == 8 ? OUTPUT_FORMAT_8_BIT : OUTPUT_FORMAT_16_BIT;
    const int binSize = settings.m_nBinSize;
    if (binSize != 0 &&
        (tags.m_nWidth / binSize > MAX_BINNED_SIZE || tags.m_nLength / binSize > MAX_BINNED_SIZE)) {
        messages.Error(MSG_BINNED_TOO_BIG);
        messages.Error(MSG_WRITE_ERROR);
        return ConvertOutcome::FatalWrite;
    }
    return ConvertOutcome::Done;
}

// The first pass over the strips: minimum, maximum, mean and spread of the densities.
ConvertOutcome MeasureDensities(ConvertInput& input, const std::vector<float>& density, Progress& progress,
                                MrcStatistics& result) {
    const StripTags& tags = input.tags;
    const std::size_t width = tags.m_nWidth;
    const std::uint32_t strips = tags.StripCount();
    OdStatistics statistics;
    for (std::uint32_t s = 0; s < strips; ++s) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (!input.strip.Read(input.tiff.get(), s))
            return ConvertOutcome::CannotHandle;
        input.strip.ForEachSample(0, width * tags.RowsInStrip(s),
                                  [&](unsigned value) { statistics.AddToStrip(density[value]); });
        statistics.EndStrip();
    }
    const double pixels = static_cast<double>(tags.m_nWidth) * static_cast<double>(tags.m_nLength);
    result = MrcStatistics{statistics.m_fMinimum, statistics.m_fMaximum, 0.0, 0.0};
    ClassicFloatMeanAndRms(statistics.m_dSum, statistics.m_dSumOfSquares, pixels, result.dmean, result.rms);
    return ConvertOutcome::Done;
}

// The full-size output's header fields.
RowFileDescription FullDescription(const StripTags& tags, const ConvertSettings& settings) {
    RowFileDescription description;
    description.width = static_cast<int>(tags.m_nWidth);
    description.height = static_cast<int>(tags.m_nLength);
    description.mode = MRC_MODE_FLOAT;
    description.style = settings.mrc.style;
    description.pixelSize = settings.mrc.pixelSize;
    description.label = settings.m_nOutputFormat == OUTPUT_FORMAT_8_BIT ? LABEL_OD_8_BIT : LABEL_OD_16_BIT;
    return description;
}

// Opens the full-size output and, with a bin size, the binned one (a WRITE ERROR stop when either
// cannot be created).
ConvertOutcome OpenOdOutputs(const std::string& path, const RowFileDescription& fullDescription,
                             const ConvertSettings& settings, MrcRowFile& full, MrcRowFile& binned,
                             Messages& messages) {
    if (const RowFileResult opened = full.Open(OdFileName(path), fullDescription); !opened.Succeeded())
        return WriteError(messages, opened);
    const int binSize = settings.m_nBinSize;
    if (binSize == 0)
        return ConvertOutcome::Done;
    RowFileDescription binnedDescription = fullDescription;
    binnedDescription.label = BinnedLabel(binSize);
    binnedDescription.width = fullDescription.width / binSize;
    binnedDescription.height = fullDescription.height / binSize;
    binnedDescription.pixelSize = settings.mrc.BinnedPixelSize(binSize);
    if (const RowFileResult opened = binned.Open(OdBinnedFileName(path, binSize), binnedDescription);
        !opened.Succeeded())
        return WriteError(messages, opened);
    return ConvertOutcome::Done;
}

// The second pass: every row's densities into the full-size output, the bar moved now and then.
ConvertOutcome WriteDensities(ConvertInput& input, const std::vector<float>& density, MrcRowFile& full,
                              int fileIndex, int fileCount, Messages& messages, Progress& progress) {
    const StripTags& tags = input.tags;
    const std::size_t width = tags.m_nWidth;
    const std::uint32_t strips = tags.StripCount();
    std::vector<float> row(width);
    for (std::uint32_t s = 0; s < strips; ++s) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (!input.strip.Read(input.tiff.get(), s))
            return ConvertOutcome::CannotHandle;
        const std::uint32_t rows = tags.RowsInStrip(s);
        for (std::uint32_t r = 0; r < rows; ++r) {
            float* out = row.data();
            input.strip.ForEachSample(r * width, width, [&](unsigned value) { *out++ = density[value]; });
            if (const RowFileResult written = full.WriteFloatRow(row.data()); !written.Succeeded())
                return WriteError(messages, written);
        }
        if (s % PROGRESS_STRIP_STEP == 0)
            progress.SetPos(SecondPassPosition(s, fileIndex, fileCount, tags));
    }
    return ConvertOutcome::Done;
}

// Adds one row of the full-size file (`inRow`, little-endian floats) to the column sums of its
// binSize-wide blocks; the columns beyond the last whole block (from `usedColumns` on) are dropped.
void AddRowToBlocks(const std::vector<unsigned char>& inRow, int usedColumns, int binSize,
                    std::vector<float>& accumulators) {
    float sum = 0.0f;
    for (int c = 0; c < usedColumns; ++c) {
        sum += GetFloatLE(inRow.data() + 4 * c);
        if ((c + 1) % binSize == 0) {
            accumulators[c / binSize] += sum;
            sum = 0.0f;
        }
    }
}

// The binned header's statistics. An empty binned image has no mean, and one value no spread (0
// rather than 0 ÷ 0).
MrcStatistics BinnedStatistics(const OdStatistics& statistics, int binnedWidth, int binnedHeight) {
    const double values = static_cast<double>(binnedWidth) * static_cast<double>(binnedHeight);
    MrcStatistics header{statistics.m_fMinimum, statistics.m_fMaximum, 0.0, 0.0};
    DocumentedMeanAndRms(statistics.m_dSum, statistics.m_dSumOfSquares, values, header.dmean, header.rms);
    return header;
}

} // namespace

ConvertOutcome ConvertFiles(const std::vector<std::string>& files, ConvertSettings& settings,
                            const std::string& lastRunPath, Messages& messages, Progress& progress) {
    TiffErrorScope errors(messages);
    StartProgress(progress);
    if (!SaveLastRun(lastRunPath, settings.m_dGain, settings.m_fit.m_fA, settings.m_fit.m_fX0,
                     settings.m_fit.m_fY0))
        return WriteError(messages, lastRunPath, errno);
    const int binSize = settings.m_nBinSize;
    return ForEachFile(
        files,
        [binSize](const std::string& path, int) {
            return std::vector<std::string>{OdFileName(path),
                                            binSize != 0 ? OdBinnedFileName(path, binSize) : ""};
        },
        [&](const std::string& path, int fileIndex, int fileCount) {
            return ConvertFileToOd(path, fileIndex, fileCount, settings, messages, progress);
        },
        messages, progress, {lastRunPath});
}

ConvertOutcome ConvertFileToOd(const std::string& path, int fileIndex, int fileCount,
                               ConvertSettings& settings, Messages& messages, Progress& progress) {
    TiffErrorScope errors(messages);
    if (settings.m_bStatistics)
        ReportPixelStatistics(path, 0, messages);

    ConvertInput input;
    if (const ConvertOutcome opened = OpenConvertInput(path, settings, input, messages);
        opened != ConvertOutcome::Done)
        return opened;
    const int binSize = settings.m_nBinSize;

    // Every value the image can hold, converted once; the same steps as pixel by pixel.
    const std::vector<float> density = OpticalDensityTable(
        input.tags.m_nBitsPerSample, settings.m_nOutputFormat, settings.m_bNegative, settings.m_fit);

    // First pass: the statistics the header needs.
    MrcStatistics fullStatistics;
    if (const ConvertOutcome measured = MeasureDensities(input, density, progress, fullStatistics);
        measured != ConvertOutcome::Done)
        return measured;

    // Both outputs are written under temporary names; each appears under its own name only when it is
    // complete, and whatever ends this function early removes what is still pending.
    MrcRowFile full(0);
    MrcRowFile binned(0);
    if (const ConvertOutcome opened =
            OpenOdOutputs(path, FullDescription(input.tags, settings), settings, full, binned, messages);
        opened != ConvertOutcome::Done)
        return opened;

    // Second pass: the values, one row at a time.
    if (const ConvertOutcome written =
            WriteDensities(input, density, full, fileIndex, fileCount, messages, progress);
        written != ConvertOutcome::Done)
        return written;
    input.tiff.reset();
    // The full-size file is complete: it takes its name, and the binned copy is made from it.
    const std::string fullName = full.Path();
    if (const RowFileResult finished = full.Finish(fullStatistics); !finished.Succeeded())
        return WriteError(messages, finished);
    if (binSize != 0)
        return BinMrcFile(fullName, binned, binSize, messages, progress);
    return ConvertOutcome::Done;
}

ConvertOutcome BinMrcFile(const std::string& fullName, MrcRowFile& binned, int binSize, Messages& messages,
                          Progress& progress) {
    errno = 0;
    FileHandle full(std::fopen(fullName.c_str(), "rb"));
    if (!full)
        return ReadBackError(messages, fullName, errno);
    if (!binned.IsOpen())
        return WriteError(messages, binned.Path(), 0);
    int width = 0;
    int height = 0;
    if (binSize < 1 || !MrcHeader::ReadSize(full.get(), width, height) || width < 0 || height < 0 ||
        width / binSize > MAX_BINNED_SIZE || std::fseek(full.get(), MRC_HEADER_SIZE, SEEK_SET) != 0)
        return ReadBackError(messages, fullName, errno);

    const int droppedColumns = width % binSize;
    const int droppedRows = height % binSize;
    const int binnedWidth = width / binSize;
    const int binnedHeight = height / binSize;
    const float blockArea = static_cast<float>(binSize * binSize);

    std::vector<unsigned char> inRow(static_cast<std::size_t>(width) * 4);
    std::vector<float> outRow(static_cast<std::size_t>(binnedWidth));
    std::vector<float> accumulators(static_cast<std::size_t>(binnedWidth), 0.0f);
    OdStatistics statistics;
    int rowsWritten = 0;
    for (int r = 0; r < height; ++r) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        if (std::fread(inRow.data(), 1, inRow.size(), full.get()) != inRow.size())
            return ReadBackError(messages, fullName, errno);
        AddRowToBlocks(inRow, width - droppedColumns, binSize, accumulators);
        if ((r + 1) % binSize == 0 && r < height - droppedRows && rowsWritten < binnedHeight) {
            for (int k = 0; k < binnedWidth; ++k) {
                const float value = accumulators[k] / blockArea;
                statistics.Add(value);
                outRow[static_cast<std::size_t>(k)] = value;
                accumulators[k] = 0.0f;
            }
            if (const RowFileResult written = binned.WriteFloatRow(outRow.data()); !written.Succeeded())
                return WriteError(messages, written);
            ++rowsWritten;
        }
    }
    full.reset();

    if (const RowFileResult finished = binned.Finish(BinnedStatistics(statistics, binnedWidth, binnedHeight));
        !finished.Succeeded())
        return WriteError(messages, finished);
    return ConvertOutcome::Done;
}

} // namespace gc

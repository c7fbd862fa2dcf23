#include "PickOperations.h"
#include "core/FileHandles.h"
#include "core/NameRegistry.h"
#include "core/PendingFile.h"

#include "PickCoordinates.h"
#include "PickMessages.h"
#include "core/PathStem.h"
#include "image/MrcHeader.h"
#include "image/MrcOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace gc {

namespace {

// Sums of one file's values; minimum and maximum start beyond any pixel value.
struct PickStatistics {
    double m_dSum = 0.0;
    double m_dSumSq = 0.0;
    double m_dMin = 1000001.0;
    double m_dMax = -1000001.0;

    void Add(float value) {
        m_dSum += value;
        m_dSumSq += static_cast<double>(value) * value;
        if (value < m_dMin)
            m_dMin = value;
        if (value > m_dMax)
            m_dMax = value;
    }
    // DMEAN = sum / m and RMS = sqrt(|sumsq - DMEAN²| / m), sumsq the plain sum of squares.
    MrcStatistics Header(std::size_t count) const {
        MrcStatistics header{m_dMin, m_dMax, 0.0, 0.0};
        ClassicFloatMeanAndRms(m_dSum, m_dSumSq, static_cast<double>(count), header.dmean, header.rms);
        return header;
    }
};

// Samples the box around `centre` into values[0 .. size²-1], row by row from the top. Samples
// outside the image keep the -1.0 the buffer was filled with; every value enters the statistics.
// False when a row of the source cannot be read.
bool SampleBox(PickRowSource& source, int width, int height, PickPoint centre, int size, float* values,
               PickStatistics& statistics) {
    const int half = size / 2;
    const long long left = static_cast<long long>(centre.x) - half;
    const long long first = std::max(0LL, left);
    const long long end = std::min<long long>(width, left + size);
    for (int r = 0; r < size; ++r) {
        const long long y = static_cast<long long>(centre.y) + r - half;
        float* row = values + static_cast<std::size_t>(r) * size;
        if (y >= 0 && y < height && first < end &&
            !source.ReadRow(static_cast<int>(y), static_cast<int>(first), static_cast<int>(end - first),
                            row + (first - left)))
            return false;
        for (int c = 0; c < size; ++c)
            statistics.Add(row[c]);
    }
    return true;
}

enum class FileResult { Written, NotCreated, WriteFailed };

// The line naming the file and the system's reason that comes before a text about a failed file.
void WritingDetail(Messages& messages, const std::string& name, int error) {
    messages.Detail("writing " + name + ": " + (error != 0 ? std::strerror(error) : "unknown error"));
}

// How the bytes of one file went out.
enum class WriteState { Written, HeaderFailed, DataFailed };

// Writes one output of a save under a temporary name and renames it to `name` only when every byte
// reached the disk; otherwise the temporary is removed and nothing appears under `name`. `write` puts
// the bytes into the open file and sets `error` (an errno) when a data write fails; a failed header
// write has shown its own text and the data were written all the same. The close is checked too.
template <typename Write>
FileResult WritePendingFile(const std::string& name, Messages& messages, const PickSaveHooks& hooks,
                            Write&& write) {
    PendingFile pending(name);
    errno = 0;
    FileHandle file(hooks.m_open ? hooks.m_open(pending.TemporaryPath()) : pending.CreateStream("wb"));
    if (!file) {
        WritingDetail(messages, name, errno);
        messages.Error(pick_text::CANNOT_CREATE + name);
        return FileResult::NotCreated;
    }
    int error = 0;
    const WriteState state = write(file.get(), error);
    // Buffered bytes reach the disk only at the close; a failure there loses data just the same.
    errno = 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (!closed && state != WriteState::DataFailed)
        error = errno;
    if (closed && state == WriteState::Written) {
        if (pending.Commit())
            return FileResult::Written;
        // Complete, but it cannot take its name.
        WritingDetail(messages, name, errno);
        messages.Error(pick_text::CANNOT_CREATE + name);
        return FileResult::WriteFailed;
    }
    if (closed && state == WriteState::HeaderFailed)
        return FileResult::WriteFailed;
    WritingDetail(messages, name, error);
    messages.Error(pick_text::CANNOT_WRITE_DATA + name);
    return FileResult::WriteFailed;
}

// One MRC file of float values. A failed placeholder header is reported with its own text and the
// values are still tried; the file takes its name only when every byte reached the disk.
FileResult WritePickFile(const std::string& name, const MrcDescription& description,
                         const MrcStatistics& statistics, const float* values, std::size_t count,
                         Messages& messages, const PickSaveHooks& hooks) {
    MrcOutputFile file;
    const RowFileResult opened = file.Open(name, description, 0, hooks.m_open);
    if (opened.outcome == RowFileOutcome::NotCreated) {
        WritingDetail(messages, name, opened.error);
        messages.Error(pick_text::CANNOT_CREATE + name);
        return FileResult::NotCreated;
    }
    if (!opened.Succeeded()) {
        WritingDetail(messages, name, opened.error);
        messages.Error(pick_text::CANNOT_WRITE_HEADER + name);
    }
    if (const RowFileResult written = file.WriteFloats(values, count); !written.Succeeded()) {
        file.Discard();
        WritingDetail(messages, name, written.error);
        messages.Error(pick_text::CANNOT_WRITE_DATA + name);
        return FileResult::WriteFailed;
    }
    if (!opened.Succeeded()) {
        file.Discard();
        return FileResult::WriteFailed;
    }
    // Buffered bytes reach the disk only at the close; a failure there loses data just the same.
    if (const RowFileResult closed = file.Close(statistics); !closed.Succeeded()) {
        WritingDetail(messages, name, closed.error);
        messages.Error(pick_text::CANNOT_WRITE_DATA + name);
        return FileResult::WriteFailed;
    }
    return FileResult::Written;
}

// One text file (the coordinate files).
FileResult WriteTextFile(const std::string& name, const std::string& text, Messages& messages,
                         const PickSaveHooks& hooks) {
    return WritePendingFile(name, messages, hooks, [&](std::FILE* file, int& error) {
        errno = 0;
        if (std::fwrite(text.data(), 1, text.size(), file) == text.size())
            return WriteState::Written;
        error = errno;
        return WriteState::DataFailed;
    });
}

bool HasPickableImage(const PickState& state, const PixelStore* image) {
    return image != nullptr && image->IsValid() && state.m_bPickMode == 1;
}

// One save of the picks, step by step: the box buffer, the source of the values and the names
// claimed so far, and what has gone wrong on the way.
class PickSave {
public:
    PickSave(PickState& state, const PixelStore& image, Messages& messages, const PickSaveHooks& hooks,
             const PickMicrograph& micrograph)
        : m_state(state), m_image(image), m_messages(messages), m_hooks(hooks), m_micrograph(micrograph),
          m_size(state.m_nMaskSize), m_count(state.m_nPickCount), m_collate(state.m_bCollate == 1),
          m_boxValues(static_cast<std::size_t>(m_size) * m_size) {}

    // One box, or every box of a collated stack; false when there is not memory enough.
    bool AllocateBuffer() {
        try {
            m_buffer.resize(m_collate ? m_boxValues * m_count : m_boxValues);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    // Opens the source of the values and protects the opened image and `otherInputs`.
    void Prepare(const std::vector<std::string>& otherInputs) {
        m_source = StoreRowSource(m_image, m_micrograph.m_dPixelSize);
        m_names.AddInput(m_state.m_strOpenFilePath);
        for (const std::string& input : otherInputs)
            m_names.AddInput(input);
    }

    // One MRC file per box, or one collated stack.
    void WriteBoxes() {
        if (m_collate)
            WriteCollatedStack();
        else
            WriteSingleBoxes();
    }

    // The centres beside the boxes, for other programs' particle extraction.
    // `savedOnly`: only the boxes that were saved, so a coordinate file never names a box that is not
    // there; a coordinates-only save (no boxes) names every pick.
    void WriteCoordinateFiles(bool savedOnly = true) {
        std::vector<PickPoint> centres;
        for (int j = 0; j < m_count; ++j)
            if (!savedOnly || m_saved[static_cast<std::size_t>(j)])
                centres.push_back(m_state.m_ptPicks[j]);
        if (centres.empty() || Stopped())
            return;
        const CoordinateFrame frame{m_image.Height(), m_size,
                                    m_micrograph.IsMrc() ? RowOrder::AsStored : RowOrder::BottomUp};
        const struct {
            std::string name;
            std::string text;
        } coordinateFiles[] = {
            {PickBoxFileName(m_state.m_strOpenFilePath), EmanBoxText(centres, frame)},
            {PickStarFileName(m_state.m_strOpenFilePath), RelionStarText(centres, frame)},
        };
        for (const auto& coordinates : coordinateFiles) {
            if (!Claim(coordinates.name))
                continue;
            if (WriteTextFile(coordinates.name, coordinates.text, m_messages, m_hooks) == FileResult::Written)
                m_result.m_coordinateFiles.push_back(coordinates.name);
            else
                m_anyWriteFailed = true;
        }
    }

    // Empties the list, switches pick mode and collate off and tells how the save went; success is
    // reported (when `announce`) only when every file was written.
    SavePicksResult Finish(bool announce = true) {
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        m_state.ClearPicks();
        m_state.m_bPickMode = 0;
        m_state.m_bCollate = 0;
        if (announce && !m_anyFailed && !m_anyWriteFailed && !m_anyNotWritten && !m_stopped)
            m_messages.Information(pick_text::SAVED);
        m_result.m_outcome = m_stopped          ? SavePicksOutcome::Interrupted
                             : m_anyWriteFailed ? SavePicksOutcome::WriteFailed
                             : m_anyFailed      ? SavePicksOutcome::SavedWithErrors
                             : m_anyNotWritten  ? SavePicksOutcome::SavedNotAll
                                                : SavePicksOutcome::Saved;
        return m_result;
    }

private:
    std::chrono::system_clock::time_point Now() const {
        return m_hooks.m_now ? m_hooks.m_now() : std::chrono::system_clock::now();
    }

    // Whether a stop was asked for; once it was, no further file is started.
    bool Stopped() {
        m_stopped = m_stopped || (m_hooks.m_stopRequested && m_hooks.m_stopRequested());
        return m_stopped;
    }

    void WriteSingleBoxes() {
        for (int j = 0; j < m_count && !Stopped(); ++j) {
            std::fill(m_buffer.begin(), m_buffer.end(), -1.0f);
            PickStatistics statistics;
            if (!Sample(m_state.m_ptPicks[j], m_buffer.data(), statistics))
                continue;
            const auto time = Now();
            m_saved[static_cast<std::size_t>(j)] =
                WriteBoxFile(PickFileName(m_state.m_strOpenFilePath, time, false, j + 1), time, 1, statistics,
                             pick_text::LABEL_SINGLE);
        }
    }

    void WriteCollatedStack() {
        std::fill(m_buffer.begin(), m_buffer.end(), -1.0f);
        PickStatistics statistics;
        for (int j = 0; j < m_count; ++j)
            if (Stopped() || !Sample(m_state.m_ptPicks[j], m_buffer.data() + m_boxValues * j, statistics))
                return;
        const auto time = Now();
        std::string name = PickFileName(m_state.m_strOpenFilePath, time, true, m_count);
        // Readers take a several-section ".mrc" for a volume; an MRC2014 stack is named ".mrcs".
        if (m_state.mrc.IsMrc2014())
            name.replace(name.size() - std::strlen(pick_text::NAME_EXTENSION), std::string::npos,
                         pick_text::NAME_STACK_EXTENSION);
        if (WriteBoxFile(name, time, m_count, statistics, pick_text::LABEL_COLLATED))
            m_saved.assign(m_saved.size(), true);
    }

    // Samples one box; a box whose values cannot be read is left out, and the file is named once per
    // save.
    bool Sample(PickPoint centre, float* values, PickStatistics& statistics) {
        // A file made shorter since it was opened reads as zeros where it lost data: not a box to keep.
        if (m_source &&
            SampleBox(*m_source, m_image.Width(), m_image.Height(), centre, m_size, values, statistics) &&
            m_image.IsIntact())
            return true;
        if (!m_readFailed)
            m_messages.Error(pick_text::CANNOT_READ_VALUES +
                             (m_micrograph.IsMrc() ? m_micrograph.m_strMrcPath : m_state.m_strOpenFilePath));
        m_readFailed = m_anyFailed = true;
        return false;
    }

    // Claims `name` for this save; a name that is taken, or an earlier file made read-only, is named
    // in a warning and not written.
    bool Claim(const std::string& name) {
        if (IsReadOnlyFile(name)) {
            m_messages.Warning(name + pick_text::NOT_WRITTEN + pick_text::OUTPUT_READ_ONLY + name);
            m_anyNotWritten = true;
            return false;
        }
        const NameClash clash = m_names.Claim(name);
        if (clash == NameClash::None)
            return true;
        m_messages.Warning(
            name + pick_text::NOT_WRITTEN + name +
            (clash == NameClash::Input ? pick_text::CLASHES_WITH_INPUT : pick_text::CLASHES_WITH_OUTPUT));
        m_anyNotWritten = true;
        return false;
    }

    // The buffer as one MRC file of `sections` boxes; true when it was written.
    bool WriteBoxFile(const std::string& name, std::chrono::system_clock::time_point time, int sections,
                      const PickStatistics& statistics, const char* label) {
        if (!Claim(name))
            return false;
        MrcDescription description;
        description.width = description.height = m_size;
        description.sections = sections;
        description.mode = MRC_MODE_FLOAT;
        description.style = m_state.mrc.style;
        // A size given for the save wins; otherwise an MRC micrograph's own.
        description.pixelSize =
            m_state.mrc.pixelSize > 0 ? m_state.mrc.pixelSize : (m_source ? m_source->PixelSize() : 0.0);
        description.label = label;
        description.time = time;
        if (WritePickFile(name, description, statistics.Header(m_buffer.size()), m_buffer.data(),
                          m_buffer.size(), m_messages, m_hooks) != FileResult::Written) {
            m_anyWriteFailed = true;
            return false;
        }
        m_result.m_written.push_back(name);
        return true;
    }

    PickState& m_state;
    const PixelStore& m_image;
    Messages& m_messages;
    const PickSaveHooks& m_hooks;
    const PickMicrograph& m_micrograph;
    const int m_size;
    const int m_count;
    const bool m_collate;
    const std::size_t m_boxValues;
    std::vector<float> m_buffer;
    std::unique_ptr<PickRowSource> m_source;
    NameRegistry m_names;
    SavePicksResult m_result;
    std::vector<bool> m_saved = std::vector<bool>(static_cast<std::size_t>(m_count), false);
    bool m_readFailed = false;
    bool m_anyFailed = false;
    bool m_anyWriteFailed = false;
    bool m_anyNotWritten = false;
    bool m_stopped = false;
};

} // namespace

PickPoint PointerToImage(int pointerX, int pointerY, float zoom, int scrollX, int scrollY) {
    const double z = zoom;
    const auto part = [z](int value) { return static_cast<std::int32_t>(std::trunc(value / z)); };
    return {part(pointerX) + part(scrollX), part(pointerY) + part(scrollY)};
}

PickRect PickTestRect(PickPoint centre, int maskSize) {
    const std::int64_t half = maskSize / 2;
    return {centre.x - half, centre.y - half, centre.x + half, centre.y + half};
}

AddPickResult AddPick(PickState& state, const PixelStore* image, PickPoint centre) {
    if (!HasPickableImage(state, image))
        return AddPickResult::NotPicking;
    if (state.m_nPickCount >= MAX_PICKS)
        return AddPickResult::ListFull;
    if (!state.IsMaskSizeValid())
        return AddPickResult::InvalidMaskSize;

    const int width = image->Width();
    const int height = image->Height();
    const PickRect rect = PickTestRect(centre, state.m_nMaskSize);
    if (rect.left < 0 || rect.top < 0 || rect.right > width || rect.bottom > height)
        return AddPickResult::LeavesImage;
    for (int i = 0; i < state.m_nPickCount; ++i) {
        const PickPoint stored = state.m_ptPicks[i];
        if (rect.left < stored.x && stored.x < rect.right && rect.top < stored.y && stored.y < rect.bottom)
            return AddPickResult::TouchesPick;
        if (stored.x < 0 || stored.x > width || stored.y < 0 || stored.y > height)
            return AddPickResult::StalePick;
    }
    state.m_ptPicks[state.m_nPickCount++] = centre;
    return AddPickResult::Added;
}

bool RemovePick(PickState& state, const PixelStore* image, PickPoint position) {
    if (!HasPickableImage(state, image) || state.m_nPickCount <= 0)
        return false;
    const PickRect rect = PickTestRect(position, state.m_nMaskSize);
    for (int i = 0; i < state.m_nPickCount; ++i) {
        const PickPoint stored = state.m_ptPicks[i];
        if (rect.left < stored.x && stored.x < rect.right && rect.top < stored.y && stored.y < rect.bottom) {
            for (int k = i + 1; k < state.m_nPickCount; ++k)
                state.m_ptPicks[k - 1] = state.m_ptPicks[k];
            state.m_ptPicks[--state.m_nPickCount] = EMPTY_PICK;
            return true;
        }
    }
    return false;
}

SavePicksResult SavePicks(PickState& state, const PixelStore* image, Messages& messages,
                          const PickSaveHooks& hooks, const PickMicrograph& micrograph,
                          const std::vector<std::string>& otherInputs) {
    // Picks are only ever added with a valid size, and the size changes only through the settings
    // dialog, which empties the list; a list with another size is never written.
    if (!HasPickableImage(state, image) || state.m_nPickCount <= 0 || !state.IsMaskSizeValid())
        return {};
    PickSave save(state, *image, messages, hooks, micrograph);
    if (!save.AllocateBuffer()) {
        messages.Error(pick_text::NO_MEMORY);
        return {SavePicksOutcome::FatalMemory, {}, {}};
    }
    save.Prepare(otherInputs);
    save.WriteBoxes();
    save.WriteCoordinateFiles();
    return save.Finish();
}

SavePicksResult SavePickCoordinates(PickState& state, const PixelStore* image, Messages& messages,
                                    const PickSaveHooks& hooks, const PickMicrograph& micrograph) {
    if (!HasPickableImage(state, image) || state.m_nPickCount <= 0 || !state.IsMaskSizeValid())
        return {};
    PickSave save(state, *image, messages, hooks, micrograph);
    save.Prepare({});
    save.WriteCoordinateFiles(false);
    return save.Finish(false);
}

std::string PickFileBase(const std::string& path) {
    return StemToFirstDot(path);
}

std::string PickTimeStamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto milliseconds = floor<std::chrono::milliseconds>(time);
    const auto day = floor<days>(milliseconds);
    const year_month_day date{day};
    const hh_mm_ss clock{milliseconds - day};
    return std::to_string(static_cast<int>(date.year())) + "_" +
           std::to_string(static_cast<unsigned>(date.month())) + "_" +
           std::to_string(static_cast<unsigned>(date.day())) + "_" + std::to_string(clock.hours().count()) +
           "_" + std::to_string(clock.minutes().count()) + "_" + std::to_string(clock.seconds().count()) +
           "_" + std::to_string(clock.subseconds().count());
}

std::string PickFileName(const std::string& openFilePath, std::chrono::system_clock::time_point time,
                         bool collated, int number) {
    return PickFileBase(openFilePath) + pick_text::NAME_PICKED + PickTimeStamp(time) + "_" +
           (collated ? pick_text::NAME_COLLATED : pick_text::NAME_SINGLE) + std::to_string(number) +
           pick_text::NAME_EXTENSION;
}

} // namespace gc

#include "RunDriver.h"
#include "core/TiffHandle.h"

#include "SplitMessages.h"
#include "core/TiffErrors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc {
namespace {

inline constexpr int PROGRESS_START = 10;
inline constexpr int PROGRESS_END = 100;

// The scan is opened as TIFFOpen (mode "r") opens it: the file memory-mapped, so the library reads
// tiles and reports their failures exactly as it does there. The file procedures are our own only to
// know the mapping's address: the pages read so far are given back after every row of tiles, so the
// memory in use stays the band and the row buffers, whatever the scan's size.
struct MappedScan {
    int m_nFd = -1;
    void* m_pBase = nullptr;
    std::size_t m_nSize = 0;

    void GiveBackPages() const {
        if (m_pBase)
            madvise(m_pBase, m_nSize, MADV_DONTNEED);
    }

    static MappedScan& Of(thandle_t handle) { return *static_cast<MappedScan*>(handle); }

    static tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
        if (size < 0)
            return -1;
        std::size_t done = 0;
        ssize_t count = -1;
        while (done < static_cast<std::size_t>(size)) {
            count = ::read(Of(handle).m_nFd, static_cast<char*>(buffer) + done,
                           static_cast<std::size_t>(size) - done);
            if (count <= 0)
                break;
            done += static_cast<std::size_t>(count);
        }
        return count < 0 ? -1 : static_cast<tmsize_t>(done);
    }
    static tmsize_t Write(thandle_t, void*, tmsize_t) {
        errno = EBADF;
        return -1;
    }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        const off_t position = static_cast<off_t>(offset);
        if (static_cast<toff_t>(position) != offset) {
            errno = EINVAL;
            return static_cast<toff_t>(-1);
        }
        return static_cast<toff_t>(::lseek(Of(handle).m_nFd, position, whence));
    }
    static int Close(thandle_t handle) { return ::close(Of(handle).m_nFd); }
    static toff_t Size(thandle_t handle) {
        struct stat status;
        return ::fstat(Of(handle).m_nFd, &status) < 0 ? 0 : static_cast<toff_t>(status.st_size);
    }
    static int Map(thandle_t handle, void** base, toff_t* size) {
        MappedScan& scan = Of(handle);
        const toff_t length = Size(handle);
        if (length == 0 || static_cast<toff_t>(static_cast<std::size_t>(length)) != length)
            return 0;
        void* mapped =
            ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, scan.m_nFd, 0);
        if (mapped == MAP_FAILED)
            return 0;
        scan.m_pBase = mapped;
        scan.m_nSize = static_cast<std::size_t>(length);
        *base = mapped;
        *size = length;
        return 1;
    }
    static void Unmap(thandle_t handle, void* base, toff_t size) {
        ::munmap(base, static_cast<std::size_t>(size));
        Of(handle).m_pBase = nullptr;
    }
};

// TIFFOpen (path, "r"), with the library's own messages, over `scan`.
TiffHandle OpenScan(const std::string& path, MappedScan& scan) {
    scan.m_nFd = ::open(path.c_str(), O_RDONLY, 0666);
    if (scan.m_nFd < 0) {
        if (errno > 0 && std::strerror(errno) != nullptr)
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: %s", path.c_str(), std::strerror(errno));
        else
            TIFFErrorExt(nullptr, "TIFFOpen", "%s: Cannot open", path.c_str());
        return nullptr;
    }
    TiffHandle input(TIFFClientOpen(path.c_str(), "r", &scan, MappedScan::Read, MappedScan::Write,
                                    MappedScan::Seek, MappedScan::Close, MappedScan::Size, MappedScan::Map,
                                    MappedScan::Unmap));
    if (!input)
        ::close(scan.m_nFd);
    return input;
}

// Sets m_bRunning for its lifetime.
class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~RunningFlag() { Clear(); }
    void Clear() { m_flag = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

const char* FatalMessage(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::FatalRead:
        return MSG_READ_ERROR;
    case RunOutcome::FatalWrite:
        return MSG_WRITE_ERROR;
    case RunOutcome::FatalRgb:
        return MSG_RGB_FATAL;
    default:
        return nullptr;
    }
}

// Opens the outputs of an image under the name the namer gives, and writes its rows.
class RunDriver::OutputSink final : public ImageRowSink {
public:
    OutputSink(RunDriver& driver, const std::string& path, const OutputSettings& settings)
        : m_driver(driver), m_strPath(path), m_settings(settings) {}

    StepResult OpenOutputs(int image) override {
        const ImageName name = m_driver.m_namer->MakeImageName(m_strPath, image);
        return m_driver.m_outputs[image - 1]->Open(name, m_settings);
    }
    StepResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) override {
        return m_driver.m_outputs[image - 1]->WriteRow(row, rowIndex);
    }

private:
    RunDriver& m_driver;
    const std::string& m_strPath;
    const OutputSettings& m_settings;
};

RunDriver::RunDriver(RunParameters& parameters, Messages& messages, Progress& progress)
    : m_parameters(parameters), m_messages(messages), m_progress(progress) {}

void RunDriver::PrepareRun() {
    m_namer.emplace(m_parameters);
}

RunResult RunDriver::OnRun() {
    RunResult result;
    if (m_parameters.m_bRunning) {
        m_messages.Warning(MSG_RUNNING_WAIT);
        return result;
    }
    if (!m_parameters.m_bSaved) {
        m_messages.Warning(MSG_PARAMETERS_NOT_SAVED);
        return result;
    }
    result.m_bStarted = true;
    m_progress.SetRange(0, PROGRESS_END);
    m_progress.SetPos(PROGRESS_START);

    RunningFlag running(m_parameters.m_bRunning);
    TiffErrorScope tiffErrors(m_messages);
    PrepareRun();

    const int files = m_parameters.m_nFileCount;
    for (int f = 0; f < files && f < MAX_INPUT_FILES; ++f) {
        const RunOutcome outcome = SplitScanFile(m_parameters.m_strInputFiles[f], f);
        if (IsFatal(outcome)) {
            m_messages.Error(FatalMessage(outcome));
            result.m_outcome = outcome;
            return result;
        }
        if (outcome == RunOutcome::Skipped)
            ++result.m_nSkippedFiles;
        else
            ++result.m_nDoneFiles;
    }
    m_progress.SetPos(PROGRESS_END);
    if (m_fnRunEnded)
        m_fnRunEnded();
    running.Clear();
    m_messages.Information(MSG_RUN_COMPLETE);
    return result;
}

RunOutcome RunDriver::SplitScanFile(const std::string& path, int fileIndex) {
    if (!m_namer)
        PrepareRun();
    m_strCurrentInput = path;
    MappedScan scan;
    TiffHandle input = OpenScan(path, scan);
    if (!input) {
        m_messages.Warning(path + MSG_INVALID_TIFF);
        return RunOutcome::Skipped;
    }
    return SplitOpenScan(input.get(), path, fileIndex, [&scan] { scan.GiveBackPages(); });
}

RunOutcome RunDriver::SplitOpenScan(TIFF* input, const std::string& path, int fileIndex,
                                    const std::function<void()>& rowOfTilesRead) {
    const int imageCount = m_parameters.m_nImageCount;
    ResetPlacements(m_placements, imageCount);
    for (auto& output : m_outputs)
        output = std::make_unique<ImageOutput>();

    switch (CheckScanFile(input, path, m_parameters, m_geometry, m_messages)) {
    case ScanVerdict::SkipFile:
        return RunOutcome::Skipped;
    case ScanVerdict::StopRgb:
        return RunOutcome::FatalRgb;
    case ScanVerdict::StopReadError:
        return RunOutcome::FatalRead;
    case ScanVerdict::Accept:
        break;
    }

    // A scan whose row of tiles does not fit the band is refused before anything is allocated.
    if (!m_geometry.FitsBand())
        return RunOutcome::FatalRead;
    try {
        m_buffers.Allocate(m_geometry);
    } catch (const std::bad_alloc&) {
        return RunOutcome::FatalRead;
    }

    const bool tiff = m_parameters.m_bOutputTiff;
    const OutputSettings settings = OutputSettings::For(m_geometry, tiff, m_parameters.m_nBinning);
    const SearchConstants constants = SearchConstants::For(m_geometry);
    const int fileCount = m_parameters.m_nFileCount;
    OutputSink sink(*this, path, settings);
    for (int k = 0; k < imageCount && k < MAX_IMAGES; ++k) {
        PassProgress progress(m_progress, k, imageCount, m_geometry.m_nTileCount, fileIndex, fileCount);
        const StepResult result = RunImagePass(input, k, m_geometry, constants, m_placements, m_buffers, sink,
                                               progress, rowOfTilesRead);
        if (result == StepResult::FatalRead)
            return RunOutcome::FatalRead;
        if (result == StepResult::FatalWrite)
            return RunOutcome::FatalWrite;
        if (tiff && m_placements[k].m_nState == PLACEMENT_FOUND &&
            m_outputs[k]->CloseTiff() != StepResult::Ok)
            return RunOutcome::FatalWrite;
    }

    if (!tiff) {
        for (int k = 0; k < MAX_IMAGES; ++k)
            if (m_placements[k].m_nState == PLACEMENT_FOUND && m_outputs[k]->FinishMrc() != StepResult::Ok)
                return RunOutcome::FatalWrite;
    }
    return RunOutcome::Done;
}

RunOutcome SplitOneScan(const std::string& path, const RunParameters& parameters, Messages& messages,
                        Progress& progress) {
    RunParameters single = parameters;
    single.m_nFileCount = 1;
    single.m_strInputFiles[0] = path;
    TiffErrorScope tiffErrors(messages);
    RunDriver driver(single, messages, progress);
    driver.PrepareRun();
    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_START);
    const RunOutcome outcome = driver.SplitScanFile(path, 0);
    if (IsFatal(outcome))
        messages.Error(FatalMessage(outcome));
    else
        progress.SetPos(PROGRESS_END);
    return outcome;
}

} // namespace gc

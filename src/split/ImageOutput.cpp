#include "ImageOutput.h"

#include "SplitMessages.h"

#include "image/BinningFilter.h"
#include "image/MrcRowFile.h"
#include "image/TiffRowFile.h"

#include <algorithm>
#include <tuple>

namespace gc {
namespace {

// The Run's classic header: DMIN 0 and DMAX 255 always, the documented mean and rms of the delivered
// rows over the nominal pixel count.
MrcStatistics RunClassicStatistics(const MrcDataStatistics& data, std::int64_t pixels) {
    MrcStatistics classic{0.0, 255.0, 0.0, 0.0};
    data.ByteMeanAndRms(pixels, classic.dmean, classic.rms);
    return classic;
}

} // namespace

std::uint16_t TiffOutputCompression(std::uint16_t scanCompression) {
    // The library writes JPEG only in strips of a multiple of 8 rows; outputs have one row a strip.
    if (scanCompression == COMPRESSION_JPEG || scanCompression == COMPRESSION_OJPEG)
        return COMPRESSION_ADOBE_DEFLATE;
    return scanCompression;
}

OutputSettings OutputSettings::For(const ScanGeometry& geometry, bool tiff, int binning) {
    OutputSettings settings;
    settings.m_bTiff = tiff;
    settings.m_nBinning = binning;
    settings.m_nWidth = geometry.m_nExpectedWidth;
    settings.m_nHeight = geometry.m_nExpectedHeight;
    settings.m_nBinnedWidth = geometry.m_nBinnedWidth;
    settings.m_nBinnedHeight = geometry.m_nBinnedHeight;
    settings.m_nCompression = TiffOutputCompression(geometry.m_nCompression);
    settings.m_nPhotometric = geometry.m_nPhotometric;
    if (geometry.m_nResolutionUnit != 0 && geometry.m_fXResolution > 0 && geometry.m_fYResolution > 0) {
        settings.m_nResolutionUnit = geometry.m_nResolutionUnit;
        settings.m_fXResolution = geometry.m_fXResolution;
        settings.m_fYResolution = geometry.m_fYResolution;
    }
    return settings;
}

OutputSettings OutputSettings::For(const ScanGeometry& geometry, const RunSettings& parameters,
                                   double pixelSize) {
    OutputSettings settings = For(geometry, parameters.m_bOutputTiff, parameters.m_nBinning);
    settings.mrc = {parameters.mrc.style, pixelSize};
    if (pixelSize > 0) {
        // A chosen pixel size replaces the scanner's sampling: pixels per centimetre, as the
        // readers of TIFF micrographs take the size from the resolution tags.
        settings.m_nResolutionUnit = RESUNIT_CENTIMETER;
        settings.m_fXResolution = settings.m_fYResolution =
            static_cast<float>(ANGSTROM_PER_CENTIMETRE / pixelSize);
    }
    return settings;
}

RowFileDescription OutputSettings::Description() const {
    RowFileDescription description;
    description.width = m_nWidth;
    description.height = m_nHeight;
    description.style = mrc.style;
    description.mode = mrc.IsMrc2014() ? MRC_MODE_UINT16 : MRC_MODE_BYTE;
    description.pixelSize = mrc.pixelSize;
    description.label = MRC_SPLIT_LABEL;
    description.time = m_labelTime;
    description.classicStatistics = RunClassicStatistics;
    description.compression = m_nCompression;
    description.photometric = m_nPhotometric;
    description.resolutionUnit = m_nResolutionUnit;
    description.xResolution = m_fXResolution;
    description.yResolution = m_fYResolution;
    return description;
}

std::unique_ptr<RowFile> OutputSettings::NewFile() const {
    if (m_bTiff)
        return std::make_unique<TiffRowFile>();
    return std::make_unique<MrcRowFile>();
}

std::pair<std::string, std::string> ImageOutput::NamesFor(const ImageName& name,
                                                          const OutputSettings& settings) {
    const ImageName fullName = settings.m_bTiff ? name : MrcNameOf(name);
    std::string binnedName;
    if (settings.m_nBinning != 0)
        binnedName = BinnedNameOf(fullName, settings.m_nBinning).m_strPath;
    return {fullName.m_strPath, binnedName};
}

OutputResult ImageOutput::Of(const RowFileResult& result) const {
    switch (result.outcome) {
    case RowFileOutcome::Done:
        return {};
    case RowFileOutcome::NotCreated:
        // A TIFF output that cannot be created stops the Run with READ ERROR, not WRITE ERROR: the
        // Run has always reported it so (the library's open is a read of the directory to be), and
        // scripts that watch for the texts rely on it. MRC outputs that cannot be created are WRITE
        // ERRORs.
        return result.As(m_notCreated);
    case RowFileOutcome::WriteFailed:
    case RowFileOutcome::NotRenamed:
        break;
    }
    return result.As(RunOutcome::FatalWrite);
}

OutputResult ImageOutput::Open(const ImageName& name, const OutputSettings& settings) {
    std::tie(m_name, m_binnedName) = NamesFor(name, settings);
    m_notCreated = settings.m_bTiff ? RunOutcome::FatalRead : RunOutcome::FatalWrite;
    m_files.clear();
    m_files.push_back(settings.NewFile());
    if (settings.m_nBinning != 0)
        m_files.push_back(std::make_unique<BinningFilter>(settings.m_nBinning, settings.NewFile()));
    const RowFileDescription description = settings.Description();
    for (std::size_t i = 0; i < m_files.size(); ++i)
        if (const RowFileResult opened = m_files[i]->Open(i == 0 ? m_name : m_binnedName, description);
            !opened.Succeeded())
            return Of(opened);
    return {};
}

OutputResult ImageOutput::WriteRow(const unsigned char* row) {
    // Binned first: a row put together in the full-size file's block may be written out and the block
    // reused by the time that file's WriteRow returns.
    for (std::size_t i = m_files.size(); i-- > 0;)
        if (const RowFileResult written = m_files[i]->WriteRow(row); !written.Succeeded())
            return Of(written);
    return {};
}

OutputResult ImageOutput::Finish() {
    for (const std::unique_ptr<RowFile>& file : m_files)
        if (const RowFileResult finished = file->Finish(); !finished.Succeeded())
            return Of(finished);
    return {};
}

bool ImageOutput::IsOpen() const {
    return std::any_of(m_files.begin(), m_files.end(),
                       [](const std::unique_ptr<RowFile>& file) { return file->IsOpen(); });
}

std::optional<MrcStatistics> ImageOutput::Statistics(std::size_t file) const {
    return file < m_files.size() ? m_files[file]->Statistics() : std::nullopt;
}

} // namespace gc

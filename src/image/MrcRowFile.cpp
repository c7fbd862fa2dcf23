#include "MrcRowFile.h"

#include <utility>

namespace gc {

RowFileResult MrcRowFile::Failed(RowFileResult failure) {
    m_file.Discard();
    return failure;
}

RowFileResult MrcRowFile::Open(const std::string& path, const RowFileDescription& description) {
    m_rows = 0;
    m_written.reset();
    m_classic = description.classicStatistics;
    if (RowFileResult opened = m_file.Open(path, description, m_blockBytes); !opened.Succeeded())
        return Failed(std::move(opened));
    return {};
}

RowFileResult MrcRowFile::WriteRow(const unsigned char* row) {
    ++m_rows;
    if (RowFileResult written = m_file.WriteRow(row); !written.Succeeded())
        return Failed(std::move(written));
    return {};
}

RowFileResult MrcRowFile::WriteFloatRow(const float* row) {
    ++m_rows;
    if (RowFileResult written = m_file.WriteFloats(row, static_cast<std::size_t>(m_file.Description().width));
        !written.Succeeded())
        return Failed(std::move(written));
    return {};
}

RowFileResult MrcRowFile::Complete(const std::function<MrcStatistics(std::int64_t pixels)>& classic) {
    if (!m_file.IsOpen())
        return {};
    const MrcDescription& description = m_file.Description();
    if (RowFileResult written = m_file.WriteZeroRows(description.height - m_rows); !written.Succeeded())
        return Failed(std::move(written));
    if (RowFileResult closed = m_file.Close(classic(static_cast<std::int64_t>(description.width) *
                                                    description.height * description.sections));
        !closed.Succeeded())
        return closed;
    m_written = m_file.Written();
    return {};
}

RowFileResult MrcRowFile::Finish() {
    return Complete([this](std::int64_t pixels) {
        const MrcDataStatistics& data = m_file.Statistics();
        return m_classic ? m_classic(data, pixels) : data.Data();
    });
}

RowFileResult MrcRowFile::Finish(const MrcStatistics& classic) {
    return Complete([&classic](std::int64_t) { return classic; });
}

void MrcRowFile::Discard() {
    m_file.Discard();
}

} // namespace gc

#include "MrcRowFile.h"

#include <cerrno>

namespace gc {

RowFileResult MrcRowFile::Failure(RowFileOutcome outcome) {
    // The writer leaves errno at 0 where the system gave no reason.
    const int error = errno;
    const std::string path = m_file.Path();
    m_file.Discard();
    return RowFileFailure(outcome, path, error);
}

RowFileResult MrcRowFile::Open(const std::string& path, const RowFileDescription& description) {
    m_rows = 0;
    m_written.reset();
    m_classic = description.classicStatistics;
    const MrcOutputFile::OpenResult opened = m_file.Open(path, description, m_blockBytes);
    if (opened == MrcOutputFile::OpenResult::NotCreated)
        return RowFileFailure(RowFileOutcome::NotCreated, path, errno);
    if (opened != MrcOutputFile::OpenResult::Opened)
        return Failure(RowFileOutcome::NotCreated);
    return {};
}

RowFileResult MrcRowFile::WriteRow(const unsigned char* row) {
    ++m_rows;
    if (!m_file.WriteRow(row))
        return Failure(RowFileOutcome::WriteFailed);
    return {};
}

RowFileResult MrcRowFile::WriteFloatRow(const float* row) {
    ++m_rows;
    if (!m_file.WriteFloats(row, static_cast<std::size_t>(m_file.Description().width)))
        return Failure(RowFileOutcome::WriteFailed);
    return {};
}

RowFileResult MrcRowFile::Complete(const std::function<MrcStatistics(std::int64_t pixels)>& classic) {
    if (!m_file.IsOpen())
        return {};
    const MrcDescription& description = m_file.Description();
    if (!m_file.WriteZeroRows(description.height - m_rows))
        return Failure(RowFileOutcome::WriteFailed);
    const std::string path = m_file.Path();
    if (!m_file.Close(classic(static_cast<std::int64_t>(description.width) * description.height *
                              description.sections)))
        return RowFileFailure(RowFileOutcome::WriteFailed, path, errno);
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

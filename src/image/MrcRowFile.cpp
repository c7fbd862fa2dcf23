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

RowFileResult MrcRowFile::Finish() {
    if (!m_file.IsOpen())
        return {};
    const MrcDescription& description = m_file.Description();
    if (!m_file.WriteZeroRows(description.height - m_rows))
        return Failure(RowFileOutcome::WriteFailed);
    const std::int64_t pixels =
        static_cast<std::int64_t>(description.width) * description.height * description.sections;
    const MrcDataStatistics& data = m_file.Statistics();
    const std::string path = m_file.Path();
    if (!m_file.Close(m_classic ? m_classic(data, pixels) : data.Data()))
        return RowFileFailure(RowFileOutcome::WriteFailed, path, errno);
    m_written = m_file.Written();
    return {};
}

void MrcRowFile::Discard() {
    m_file.Discard();
}

} // namespace gc

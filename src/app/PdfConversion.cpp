#include "PdfConversion.h"

#include "AppMessages.h"
#include "image/TiffCodec.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <memory>

namespace gc {

void SplitPath(const std::string& path, std::string& folder, std::string& baseName, std::string& extension) {
    if (path.empty())
        return;
    std::size_t firstDot = std::string::npos;
    for (std::size_t i = path.size() - 1; i >= 1; --i) {
        if (path[i] == '.') {
            extension = path.substr(i + 1);
            firstDot = i;
        } else if (path[i] == '/') {
            folder = path.substr(0, i);
            baseName =
                firstDot == std::string::npos ? path.substr(i + 1) : path.substr(i + 1, firstDot - i - 1);
            return;
        }
    }
}

std::string ProposedPdfPath(const std::string& imagePath) {
    std::string folder, baseName, extension;
    SplitPath(QFileInfo(QString::fromStdString(imagePath)).absoluteFilePath().toStdString(), folder, baseName,
              extension);
    return baseName.empty() ? std::string() : folder + "/" + baseName + PDF_SUFFIX;
}

std::string PdfPathOf(const std::string& chosen) {
    const std::string suffix = PDF_SUFFIX;
    const bool hasSuffix =
        chosen.size() > suffix.size() &&
        QString::fromStdString(chosen).endsWith(QString::fromStdString(suffix), Qt::CaseInsensitive);
    return hasSuffix ? chosen : chosen + suffix;
}

namespace {

// One conversion in flight: the temporary folder beside the PDF and the converter working in it.
class PdfJob final : public QObject {
public:
    PdfJob(const std::string& pdfPath, Messages& messages, std::function<void(const std::string&)> written,
           QObject* owner)
        : QObject(owner), m_folder(QString::fromStdString(FolderOf(pdfPath)) + "/.gridcarver-pdf-XXXXXX"),
          m_strPdf(pdfPath), m_messages(messages), m_written(std::move(written)) {}

    bool Start(const DIBSection& image) {
        if (!m_folder.isValid()) {
            m_messages.Warning(MSG_PDF_NOT_WRITTEN + m_strPdf + ": " + m_folder.errorString().toStdString());
            return false;
        }
        const std::string tiff = m_folder.filePath("page.tif").toStdString();
        if (WriteTiffFile(tiff, image, m_messages, tiff) == 0) {
            m_messages.Warning(MSG_PDF_NOT_WRITTEN + m_strPdf);
            return false;
        }
        connect(&m_process, &QProcess::finished, this, [this] { Finish(); });
        connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) {
                m_messages.Warning(MSG_PDF_CONVERTER_MISSING + m_strPdf);
                deleteLater();
            }
        });
        m_process.start(PDF_CONVERTER, {"-o", m_folder.filePath("page.pdf"), QString::fromStdString(tiff)});
        return true;
    }

private:
    static std::string FolderOf(const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
    }

    // The converter has ended: the PDF takes its name when it was made; the folder goes with the job.
    void Finish() {
        const std::string made = m_folder.filePath("page.pdf").toStdString();
        std::error_code error;
        const bool converted = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0 &&
                               std::filesystem::is_regular_file(made, error);
        if (converted)
            std::filesystem::rename(made, m_strPdf, error);
        if (converted && !error && m_written)
            m_written(m_strPdf);
        else
            m_messages.Warning(
                MSG_PDF_NOT_WRITTEN + m_strPdf +
                (error
                     ? ": " + error.message()
                     : "\n" +
                           QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed().toStdString()));
        deleteLater();
    }

    QTemporaryDir m_folder;
    std::string m_strPdf;
    Messages& m_messages;
    std::function<void(const std::string&)> m_written;
    QProcess m_process;
};

} // namespace

bool StartPdfConversion(const DIBSection& image, const std::string& pdfPath, Messages& messages,
                        QObject* owner, std::function<void(const std::string&)> written) {
    auto job = std::make_unique<PdfJob>(pdfPath, messages, std::move(written), owner);
    if (!job->Start(image))
        return false;
    job.release(); // owned by `owner` until it deletes itself
    return true;
}

} // namespace gc

// export and properties: the viewer's File Open, Save As and Properties from the command line.
// export opens IN as the viewer does (every image of the file is decoded), makes image N current
// and saves it by OUT's extension, a greyscale image as greyscale (8-bit, the grey levels the viewer's
// picture has before any display contrast); properties opens a TIFF or MRC file the same way and prints the
// tag report of image N's directory (TIFF) or the header report (MRC, the same for every section).
// Images are numbered from 1, as the viewer's image list names them: an MRC file's sections.
#include "CliShell.h"
#include "CommandMessages.h"

#include "core/PendingFile.h"
#include "document/DocumentMessages.h"
#include "document/ImageDocument.h"
#include "document/MrcProperties.h"

#include <climits>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace gc::cli {
namespace {

struct DocumentOptions {
    std::string m_strInput;
    std::string m_strOutput;
    int m_nImage = 1;
};

// Opens the file and makes image `number` (from 1) current; returns EXIT_DONE or the status to end with.
int OpenImage(ImageDocument& document, const std::string& path, int number, Messages& messages) {
    if (RefuseUnreadableInputs({path}, messages))
        return ExitStatusFor(Outcome::CannotHandle);
    const OpenOutcome opened = document.OpenFile(path, messages);
    if (opened == OpenOutcome::NoImage)
        messages.Error(MSG_NO_IMAGE_READ + path);
    if (opened != OpenOutcome::Opened)
        return ExitStatusFor(OutcomeOf(opened));
    if (document.GetImage(number - 1) == nullptr)
        throw UsageError{MSG_NO_SUCH_IMAGE + std::to_string(number) + " of " +
                         std::to_string(document.GetImageCount()) + " in " + path};
    return EXIT_DONE;
}

// Why OUT must not be written ("" when it may): it is IN under any name (the same device and inode),
// or an existing file made read-only.
std::string ExportRefusal(const std::string& input, const std::string& output) {
    struct stat in {
    }, out{};
    if (::stat(input.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
        return output + MSG_EXPORT_NOT_WRITTEN + MSG_EXPORT_IS_INPUT + input;
    if (IsReadOnlyFile(output))
        return output + MSG_EXPORT_NOT_WRITTEN + MSG_EXPORT_READ_ONLY + output;
    return {};
}

int RunExport(const DocumentOptions& options) {
    const FileType type = FileTypeFromName(options.m_strOutput);
    if (type != FT_BMP && type != FT_JPEG && type != FT_TIFF)
        throw UsageError{options.m_strOutput + CLI_EXPORT_TYPES};
    CliMessages messages;
    if (const std::string refusal = ExportRefusal(options.m_strInput, options.m_strOutput);
        !refusal.empty()) {
        messages.Warning(refusal);
        return ExitStatusFor(Outcome::Skipped);
    }
    ImageDocument document;
    const int status = OpenImage(document, options.m_strInput, options.m_nImage, messages);
    if (status != EXIT_DONE)
        return status;
    // A stop signal during the open ends the command before anything is written.
    if (StopSignal() != 0)
        return ExitStatusFor(Outcome::Interrupted);
    return ExitStatusFor(OutcomeOf(document.SaveFile(options.m_strOutput, messages, SaveChannels::GreyKept)));
}

int RunProperties(const DocumentOptions& options) {
    const FileType type = FileTypeOf(options.m_strInput);
    // A file named as a TIFF or MRC file (or not named by type, like a folder) that cannot be read
    // is named as such; a file of another type is refused for its type.
    if (CliMessages unreadable; (type == FT_TIFF || type == FT_MRC || type == FT_UNKNOWN) &&
                                RefuseUnreadableInputs({options.m_strInput}, unreadable))
        return ExitStatusFor(Outcome::CannotHandle);
    if (type != FT_TIFF && type != FT_MRC)
        throw UsageError{MSG_PROPERTIES_TIFF_ONLY + options.m_strInput};
    CliMessages messages;
    // An MRC file is described from its header: its sections are never decoded.
    std::string text;
    int sections = 0;
    if (type == FT_MRC && MrcHeaderPropertiesText(options.m_strInput, text, sections)) {
        if (options.m_nImage < 1 || options.m_nImage > sections)
            throw UsageError{MSG_NO_SUCH_IMAGE + std::to_string(options.m_nImage) + " of " +
                             std::to_string(sections) + " in " + options.m_strInput};
        messages.Information(text);
        return EXIT_DONE;
    }
    ImageDocument document;
    const int status = OpenImage(document, options.m_strInput, options.m_nImage, messages);
    if (status != EXIT_DONE)
        return status;
    document.ShowProperties(messages);
    return EXIT_DONE;
}

} // namespace

void AddDocumentCommands(CLI::App& app) {
    auto exportOptions = std::make_shared<DocumentOptions>();
    CLI::App* exportCommand = app.add_subcommand(
        "export", "Open IN as the viewer does and save image N as OUT; OUT's extension chooses the type "
                  "(.bmp, .jpg/.jpeg, .tif/.tiff)");
    exportCommand->add_option("IN", exportOptions->m_strInput, "BMP, JPEG, TIFF or MRC file to open")
        ->required();
    exportCommand->add_option("OUT", exportOptions->m_strOutput, "file to write")->required();
    exportCommand
        ->add_option("--image", exportOptions->m_nImage,
                     "image (TIFF directory, MRC section) to save, from 1 (default 1)")
        ->check(CLI::Range(1, INT_MAX));
    AddVersionFlag(*exportCommand, CLI_EXAMPLES_EXPORT);
    exportCommand->callback([exportOptions] { CommandStatus() = RunExport(*exportOptions); });

    auto propertiesOptions = std::make_shared<DocumentOptions>();
    CLI::App* propertiesCommand =
        app.add_subcommand("properties", "List the main TIFF tags of image N of a TIFF file, or the header "
                                         "fields of an MRC file");
    propertiesCommand->add_option("FILE", propertiesOptions->m_strInput, "TIFF or MRC file")->required();
    propertiesCommand
        ->add_option("--image", propertiesOptions->m_nImage, "image to describe, from 1 (default 1)")
        ->check(CLI::Range(1, INT_MAX));
    AddVersionFlag(*propertiesCommand, CLI_EXAMPLES_PROPERTIES);
    propertiesCommand->callback([propertiesOptions] { CommandStatus() = RunProperties(*propertiesOptions); });
}

} // namespace gc::cli

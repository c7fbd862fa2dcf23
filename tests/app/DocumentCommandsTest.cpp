// The document's commands through a scripted chooser: opening a multi-directory TIFF with its image
// list, saving the current image, the messages, and the PDF conversion with a recording stand-in for
// the converter and with the real one.
#include "AppTestSupport.h"
#include "app/AppMessages.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PdfConversion.h"
#include "image/TiffCodec.h"
#include "view/ImageListWindow.h"
#include "view/ImageView.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QListWidget>
#include <QStatusBar>

#include <cstdlib>
#include <fstream>
#include <tiffio.h>

namespace gc {
namespace {

// Image d of the file: (40 + 10·d) × (30 + 5·d) grey pixels with the value 10·d + x.
int WidthOf(int directory) {
    return 40 + 10 * directory;
}
int HeightOf(int directory) {
    return 30 + 5 * directory;
}

void WriteGreyTiff(const std::string& path, int directories) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    QVERIFY(tiff != nullptr);
    for (int d = 0; d < directories; ++d) {
        const int width = WidthOf(d), height = HeightOf(d);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
        std::vector<unsigned char> row(width);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                row[x] = static_cast<unsigned char>(10 * d + x);
            TIFFWriteScanline(tiff, row.data(), y, 0);
        }
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

// Width and height of directory 0 of a TIFF file, and its pixel (x, 0) as red.
struct TiffFacts {
    int width = 0, height = 0, red = -1;
};
TiffFacts ReadFacts(const std::string& path) {
    test::RecordingMessages messages;
    DIBSection image;
    ReadTiffImage(path, image, 0, messages);
    TiffFacts facts{image.GetWidth(), image.GetHeight(), -1};
    if (image.IsValid()) {
        unsigned char rgba[4] = {};
        image.GetPixelColor(3, 0, rgba);
        facts.red = rgba[0];
    }
    return facts;
}

std::string ReadText(const std::string& path) {
    const std::vector<unsigned char> bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Runs the test body in `folder` as the working directory and with `folder` first on PATH.
class WorkingDirectoryAndPath {
public:
    WorkingDirectoryAndPath(const std::filesystem::path& folder, bool prependPath)
        : m_previous(std::filesystem::current_path()),
          m_strPath(std::getenv("PATH") ? std::getenv("PATH") : "") {
        std::filesystem::current_path(folder);
        if (prependPath)
            setenv("PATH", (folder.string() + ":" + m_strPath).c_str(), 1);
    }
    ~WorkingDirectoryAndPath() {
        std::filesystem::current_path(m_previous);
        setenv("PATH", m_strPath.c_str(), 1);
    }

private:
    std::filesystem::path m_previous;
    std::string m_strPath;
};

} // namespace

class DocumentCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void openingAMultiImageTiffFillsTheListAndSavesTheChosenImage() {
        test::TempDir folder;
        const std::string path = folder.File("scan.TIFF");
        WriteGreyTiff(path, 6);
        test::TestApp app;
        app->m_pick.m_bPickMode = 1;
        app->m_pick.m_nMaskSize = 12;
        app->m_pick.m_nPickCount = 1;
        app->m_pick.m_ptPicks[0] = {5, 5};

        app.m_chooser.Answer(path);
        app->GetFrame().GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(app->GetDocument().GetImageCount(), 6);
        QCOMPARE(app->GetFrame().windowTitle(), QString::fromStdString(path));
        QCOMPARE(app->m_pick.m_strOpenFilePath, path);
        QCOMPARE(app->m_pick.m_bPickMode, 0);
        QCOMPARE(app->m_pick.m_nPickCount, 0);
        QCOMPARE(app->m_pick.m_ptPicks[0], (PickPoint{-1, -1}));
        QVERIFY(app->GetFrame().GetAction(ID_FILE_PROPERTIES)->isEnabled());
        QVERIFY(app.m_messages.m_shown.empty());

        ImageView& view = app->GetView();
        QVERIFY(view.IsImageListVisible());
        QVERIFY(app->GetFrame().GetAction(ID_VIEW_IMAGE_LIST)->isChecked());
        QListWidget& list = view.GetDirDlg().GetList();
        QCOMPARE(list.count(), 6);
        QCOMPARE(list.item(3)->text(), QString("image4"));

        // Double-clicking image4 shows the fourth image; Save writes it, with ".tif" appended.
        list.setCurrentRow(3);
        view.GetDirDlg().OnDoubleClickList();
        QCOMPARE(view.GetImageIndex(), 3);
        QCOMPARE(app->GetDocument().GetCurrentImage(), 3);
        app.m_chooser.Answer(folder.File("fourth"), 2);
        app->GetFrame().GetAction(ID_FILE_SAVE)->trigger();
        TiffFacts saved = ReadFacts(folder.File("fourth.tif"));
        QCOMPARE(saved.width, WidthOf(3));
        QCOMPARE(saved.height, HeightOf(3));
        // The file holds 33 there; reading and saving keep it.
        QCOMPARE(saved.red, 33);

        // Save As does the same; an unknown type gets the chosen entry's extension.
        app.m_chooser.Answer(folder.File("notes.text"), 0);
        app->GetFrame().GetAction(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(std::filesystem::exists(folder.File("notes.text.bmp")));
        QCOMPARE(app->GetFrame().windowTitle(), QString::fromStdString(path));
        QCOMPARE(app->GetDocument().GetImageCount(), 6);

        // A type that cannot be written.
        app.m_chooser.Answer(folder.File("picture.png"), 1);
        app->OnFileSave();
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{"File type not supported"});
        QVERIFY(app.m_exits.empty());

        // Properties reports on the current image's directory.
        app.m_messages.m_shown.clear();
        app->GetFrame().GetAction(ID_FILE_PROPERTIES)->trigger();
        QCOMPARE(app.m_messages.m_shown.size(), std::size_t(1));
        QVERIFY(app.m_messages.m_shown[0].m_strText.find("TIFFTAG_IMAGEWIDTH = 70") != std::string::npos);
    }

    void anOpenThatReadsNothingEmptiesTheDocumentButKeepsTheTitle() {
        test::TempDir folder;
        const std::string path = folder.File("three.tif");
        WriteGreyTiff(path, 3);
        test::TestApp app;
        app.m_chooser.Answer(path);
        app->OnFileOpen();
        QVERIFY(app->GetView().IsImageListVisible());

        // Cancel changes nothing.
        app->OnFileOpen();
        QCOMPARE(app->GetDocument().GetImageCount(), 3);

        app.m_chooser.Answer(folder.File("picture.png"));
        app->OnFileOpen();
        QCOMPARE(app.m_messages.m_shown.size(), std::size_t(1));
        QCOMPARE(app.m_messages.m_shown[0].m_strText, std::string("No support for this type of file"));
        QCOMPARE(app.m_messages.m_shown[0].m_kind, MessageKind::Error);
        QCOMPARE(app->GetDocument().GetImageCount(), 0);
        QCOMPARE(app->GetFrame().windowTitle(), QString::fromStdString(path));
        QCOMPARE(app->m_pick.m_strOpenFilePath, folder.File("picture.png"));
        QVERIFY(!app->GetView().IsImageListVisible());
        QCOMPARE(app->GetView().GetDirDlg().GetList().count(), 0);
        QVERIFY(!app->GetFrame().GetAction(ID_FILE_PROPERTIES)->isEnabled());

        // Save with nothing open shows the chooser and then does nothing.
        app.m_messages.m_shown.clear();
        app.m_chooser.Answer(folder.File("nothing.bmp"));
        app->OnFileSave();
        QVERIFY(!std::filesystem::exists(folder.File("nothing.bmp")));
        QVERIFY(app.m_messages.m_shown.empty());

        // Convert to PDF with nothing open does nothing.
        WorkingDirectoryAndPath here(folder.Path(), false);
        app->OnConvertToPdf();
        QVERIFY(!std::filesystem::exists(folder.File("three_pdf.tif")));
    }

    void choosersShowTheFiltersAsQtNameFilters() {
        QCOMPARE(QtNameFilter(OPEN_FILTERS[0]),
                 std::string("BMP, JPEG, and TIFF Files (*.bmp *.jpg *.jpeg *.tif *.tiff)"));
        QCOMPARE(QtNameFilter(OPEN_FILTERS[2]), std::string("JPEG Files (*.jpg) (*.jpg *.jpeg)"));
        QCOMPARE(QtNameFilter(SAVE_FILTERS[2]), std::string("TIFF File (*.tif) (*.tif *.tiff)"));
        test::TestApp app;
        app->OnFileOpen();
        app->OnFileSaveAs();
        QCOMPARE(app.m_chooser.m_firstDescriptions,
                 (std::vector<std::string>{"All Supported Files", "BMP File (*.bmp)"}));
        QCOMPARE(app.m_chooser.m_selected, (std::vector<int>{0, 0}));
    }

    // The "Files of type" list reads exactly the entries' descriptions, while each entry still
    // selects files by all of its patterns.
    void choosersListTheFilterDescriptionsAndSelectByTheirPatterns() {
        test::TempDir folder;
        for (const char* name : {"a.bmp", "b.jpeg", "c.jpg", "d.png", "e.tif", "f.mrc"})
            std::ofstream(folder.File(name)) << "x";
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(QString::fromStdString(folder.Path().string()));
        ConfigureFileDialog(dialog, OPEN_FILTERS, 0);
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QStringList shown;
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        QCOMPARE(shown, (QStringList{"BMP, JPEG, and TIFF Files", "BMP Files (*.bmp)", "JPEG Files (*.jpg)",
                                     "TIFF Files (*.tif)", "MRC Files (*.mrc)"}));
        QCOMPARE(types->currentIndex(), 0);

        auto* list = dialog.findChild<QListView*>("listView");
        QVERIFY(list != nullptr);
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 4);
        dialog.selectNameFilter(QString::fromStdString(QtNameFilter(OPEN_FILTERS[2])));
        QCOMPARE(SelectedFilterIndex(dialog, OPEN_FILTERS), 2);
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2);
        // MRC files have an entry of their own, the last.
        dialog.selectNameFilter(QString::fromStdString(QtNameFilter(OPEN_FILTERS[4])));
        QCOMPARE(SelectedFilterIndex(dialog, OPEN_FILTERS), 4);
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 1);

        QFileDialog save;
        save.setOption(QFileDialog::DontUseNativeDialog);
        ConfigureFileDialog(save, SAVE_FILTERS, 0);
        types = save.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        shown.clear();
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        QCOMPARE(shown, (QStringList{"BMP File (*.bmp)", "JPEG File (*.jpg)", "TIFF File (*.tif)"}));
        save.selectNameFilter(QString::fromStdString(QtNameFilter(SAVE_FILTERS[2])));
        QCOMPARE(SelectedFilterIndex(save, SAVE_FILTERS), 2);
    }

    void splitPathTakesTheFileNameAtItsFirstDot() {
        std::string folder, base, extension;
        SplitPath("/scans/plate7.scan.tif", folder, base, extension);
        QCOMPARE(folder, std::string("/scans"));
        QCOMPARE(base, std::string("plate7"));
        QCOMPARE(extension, std::string("scan.tif"));

        std::string folder2, base2, extension2;
        SplitPath("/data.old/run 2/plate", folder2, base2, extension2);
        QCOMPARE(folder2, std::string("/data.old/run 2"));
        QCOMPARE(base2, std::string("plate"));
        QCOMPARE(extension2, std::string());

        std::string folder3, base3, extension3;
        SplitPath("plate.tif", folder3, base3, extension3);
        QVERIFY(folder3.empty() && base3.empty());
        QCOMPARE(extension3, std::string("tif"));
    }

    // The user names the PDF; the converter works on an intermediate TIFF in a temporary folder beside
    // it, which goes when the converter ends; the status bar names the PDF. An existing PDF is replaced
    // only on Yes; a failed or missing converter leaves no PDF and says why.
    void convertToPdfAsksForTheNameAndRemovesTheIntermediate() {
        test::TempDir folder;
        const std::string path = folder.File("my plate.tif");
        WriteGreyTiff(path, 4);
        const std::string out = folder.File("out dir");
        std::filesystem::create_directory(out);
        const std::string record = folder.File("record.txt");
        const std::string converter = folder.File("tiff2pdf");
        const auto writeConverter = [&](const std::string& body) {
            std::ofstream(converter) << "#!/bin/sh\n{ for a in \"$@\"; do echo \"[$a]\"; done; } > '"
                                     << record << ".part'\ncp \"$3\" '" << folder.File("seen.tif") << "'\n"
                                     << body << "\nmv '" << record << ".part' '" << record << "'\n";
            std::filesystem::permissions(converter, std::filesystem::perms::owner_all);
        };
        writeConverter("echo '%PDF-fake' > \"$2\"");
        const auto leftovers = [&out] {
            int count = 0;
            for (const auto& entry : std::filesystem::directory_iterator(out))
                count += entry.path().filename().string().starts_with(".gridcarver-pdf-") ? 1 : 0;
            return count;
        };

        test::TestApp app;
        app.m_chooser.Answer(path);
        app->OnFileOpen();
        app->GetView().SelectImage(3);
        WorkingDirectoryAndPath here(folder.Path(), true);
        app.m_chooser.Answer(out + "/my plate");
        app->GetFrame().GetAction(ID_TOOLS_CONVERT_TO_PDF)->trigger();
        const std::string pdf = out + "/my plate.pdf";
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(pdf), 20000);
        QCOMPARE(ReadText(pdf), std::string("%PDF-fake\n"));
        const QStringList arguments =
            QString::fromStdString(ReadText(record)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(arguments.size(), 3);
        QCOMPARE(arguments[0], QString("[-o]"));
        QVERIFY2(arguments[1].startsWith(QString::fromStdString("[" + out + "/.gridcarver-pdf-")),
                 qPrintable(arguments[1]));
        const TiffFacts intermediate = ReadFacts(folder.File("seen.tif"));
        QCOMPARE(intermediate.width, WidthOf(3));
        QCOMPARE(intermediate.height, HeightOf(3));
        QTRY_COMPARE_WITH_TIMEOUT(leftovers(), 0, 20000);
        QCOMPARE(app->GetFrame().GetStatusBarWidget()->currentMessage(),
                 QString(STATUS_PDF_WRITTEN).arg(QString::fromStdString(pdf)));
        QVERIFY(app.m_messages.m_shown.empty());
        QVERIFY(!std::filesystem::exists(folder.File("my plate_pdf.tif")));

        // The PDF exists: No leaves it alone and starts nothing.
        std::filesystem::remove(record);
        app.m_chooser.Answer(pdf);
        app.m_questions.m_answers = {Answer::No};
        app->OnConvertToPdf();
        QCOMPARE(app.m_questions.m_asked.size(), std::size_t{1});
        QVERIFY(app.m_questions.m_asked[0].find(pdf) != std::string::npos);
        QTest::qWait(200);
        QVERIFY(!std::filesystem::exists(record));

        // A converter that fails: the old PDF stays as it was, the folder goes, a warning says so.
        writeConverter("exit 3");
        app.m_chooser.Answer(pdf);
        app.m_questions.m_answers = {Answer::Yes};
        app->OnConvertToPdf();
        QTRY_COMPARE_WITH_TIMEOUT(app.m_messages.m_shown.size(), std::size_t{1}, 20000);
        QVERIFY(app.m_messages.Texts()[0].starts_with(MSG_PDF_NOT_WRITTEN + pdf));
        QCOMPARE(ReadText(pdf), std::string("%PDF-fake\n"));
        QTRY_COMPARE_WITH_TIMEOUT(leftovers(), 0, 20000);

        // No converter at all.
        std::filesystem::remove(converter);
        setenv("PATH", folder.Path().c_str(), 1);
        app.m_messages.m_shown.clear();
        app.m_chooser.Answer(out + "/other.pdf");
        app->OnConvertToPdf();
        QTRY_COMPARE_WITH_TIMEOUT(app.m_messages.Texts(),
                                  std::vector<std::string>{MSG_PDF_CONVERTER_MISSING + out + "/other.pdf"},
                                  20000);
        QVERIFY(!std::filesystem::exists(out + "/other.pdf"));
    }

    void convertToPdfWithTheRealConverter() {
        const char* path = std::getenv("PATH");
        bool found = false;
        for (const QString& folderName : QString(path ? path : "").split(':'))
            found = found ||
                    std::filesystem::exists(std::filesystem::path(folderName.toStdString()) / "tiff2pdf");
        if (!found)
            QSKIP("tiff2pdf is not installed");
        test::TempDir folder;
        WriteGreyTiff(folder.File("plate7.tif"), 2);
        test::TestApp app;
        app.m_chooser.Answer(folder.File("plate7.tif"));
        app->OnFileOpen();
        app.m_chooser.Answer(folder.File("plate7.pdf"));
        app->OnConvertToPdf();
        const std::string pdf = folder.File("plate7.pdf");
        // The converter runs on its own; wait for it to finish writing the file.
        QTRY_VERIFY_WITH_TIMEOUT(ReadText(pdf).rfind("%%EOF") != std::string::npos, 30000);
        QCOMPARE(ReadText(pdf).substr(0, 5), std::string("%PDF-"));
    }
};

} // namespace gc

QTEST_MAIN(gc::DocumentCommandsTest)
#include "DocumentCommandsTest.moc"

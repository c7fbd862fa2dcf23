// Picking in the desktop program on a section of an MRC file opened by its header (its name ends in
// neither .mrc nor a picture's extension): the box holds that section's own values and the coordinate
// files, named up to the last extension, count its rows as stored.
#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "image/MrcHeader.h"
#include "view/PickMessages.h"

#include <QAction>

#include <filesystem>

namespace gc {
namespace {

constexpr int WIDTH = 16, HEIGHT = 12, SECTIONS = 2;

float FileValue(int x, int y, int section) {
    return x * 0.25f - y * 3.0f + section * 1000.0f;
}

class PickAppTest : public QObject {
    Q_OBJECT

private slots:
    void boxesOnAnMrcSectionHoldTheFilesValues() {
        test::TempDir folder;
        const std::string path = folder.File("stack.v2.mrcs");
        MrcHeader header;
        header.SetImage(WIDTH, HEIGHT, MRC_MODE_FLOAT, SECTIONS);
        const auto headerBytes = header.Bytes();
        std::vector<unsigned char> file(headerBytes.begin(), headerBytes.end());
        file.resize(MRC_HEADER_SIZE + std::size_t{4} * WIDTH * HEIGHT * SECTIONS);
        for (int s = 0; s < SECTIONS; ++s)
            for (int y = 0; y < HEIGHT; ++y)
                for (int x = 0; x < WIDTH; ++x)
                    PutFloatLE(file.data() + MRC_HEADER_SIZE + 4 * ((s * HEIGHT + y) * WIDTH + x),
                               FileValue(x, y, s));
        test::WriteFileBytes(path, file);

        test::TestApp app;
        app.m_chooser.Answer(path);
        app->GetFrame().GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(app->GetDocument().GetImageCount(), SECTIONS);
        app->m_pick.m_bPickMode = 1;
        app->m_pick.m_nMaskSize = 4;
        PickPointer pointer;
        pointer.window = {6, 5};
        pointer.imageIndex = 1;
        app->AddPick(pointer);
        QCOMPARE(app->m_pick.m_nPickCount, 1);
        app->SavePicks(pointer);
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{pick_text::SAVED});

        std::string box;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            if (entry.path().filename().string().rfind("stack_Picked_Image_", 0) == 0)
                box = entry.path().string();
        const auto bytes = test::ReadFileBytes(box);
        QCOMPARE(bytes.size(), std::size_t{MRC_HEADER_SIZE + 4 * 16});
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
                QCOMPARE(GetFloatLE(bytes.data() + MRC_HEADER_SIZE + 4 * (4 * r + c)),
                         FileValue(4 + c, 3 + r, 1));
        const auto boxFile = test::ReadFileBytes(folder.File("stack.v2_picks.box"));
        QCOMPARE(std::string(boxFile.begin(), boxFile.end()), std::string("4\t3\t4\t4\n"));
    }
};

} // namespace
} // namespace gc

QTEST_MAIN(gc::PickAppTest)
#include "PickAppTest.moc"

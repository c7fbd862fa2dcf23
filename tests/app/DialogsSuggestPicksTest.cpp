// The "Suggest Picks" window as the user works it: a diameter and Find, the slider and its count,
// Accept All and Undo on the pick list, a click on a suggestion, a diameter it refuses; and in the
// running program, its candidates drawn on the picture and reviewed there with the mouse, Undo Last
// Pick and the save.
#include "AppTestSupport.h"
#include "app/MainWindow.h"
#include "app/SuggestPicksDialog.h"
#include "image/MrcHeader.h"
#include "pick/PickMessages.h"
#include "pick/SyntheticMicrograph.h"
#include "support/TestSupport.h"
#include "view/ImageView.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace gc;

class DialogsSuggestPicksTest : public QObject {
    Q_OBJECT
private slots:
    void FindSlideAcceptAndUndo();
    void RefusedDiameterIsSaid();
    void SuggestionsAreReviewedOnThePicture();
};

namespace {

const test::SyntheticMicrograph& Micrograph() {
    static const test::SyntheticMicrograph micrograph =
        test::MakeMicrograph({.seed = 9, .width = 384, .height = 384, .diameter = 32, .particles = 20});
    return micrograph;
}

SuggestPicksImage Image() {
    return {384, 384, [] { return std::make_unique<test::MicrographRows>(Micrograph()); }};
}

// The micrograph as a float MRC file, rows from the top as the viewer shows them.
std::string WriteMicrograph(const test::TempDir& dir) {
    MrcHeader header;
    header.SetImage(384, 384, MRC_MODE_FLOAT, 1);
    const auto bytes = header.Bytes();
    std::vector<unsigned char> file(bytes.begin(), bytes.end());
    for (const float value : Micrograph().m_values) {
        unsigned char sample[4];
        PutFloatLE(sample, value);
        file.insert(file.end(), sample, sample + 4);
    }
    const std::string path = dir.File("micrograph.mrc");
    test::WriteFileBytes(path, file);
    return path;
}

// Pixels of the rendered view in the suggestions' colours, red to yellow: only their circles paint
// them while no pick is drawn (the micrograph is grey, saved boxes green).
int SuggestionPixels(ImageView& view) {
    const QImage picture = view.RenderedPicture();
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor colour = picture.pixelColor(x, y);
            count += colour.red() > 200 && colour.blue() < 80 ? 1 : 0;
        }
    return count;
}

void Press(ImageView& view, Qt::MouseButton button, PickPoint at) {
    QTest::mousePress(view.viewport(), button, Qt::NoModifier, QPoint(at.x, at.y));
    QTest::mouseRelease(view.viewport(), button, Qt::NoModifier, QPoint(at.x, at.y));
}

} // namespace

void DialogsSuggestPicksTest::FindSlideAcceptAndUndo() {
    PickState picks;
    test::RecordingMessages messages;
    int redraws = 0;
    SuggestPicksDialog dialog(picks, Image(), messages, nullptr, [&] { ++redraws; });
    QCOMPARE(dialog.windowTitle(), QString(pick_text::SUGGEST_CAPTION));
    dialog.DiameterEdit()->setText("32");
    QTest::mouseClick(dialog.FindButton(), Qt::LeftButton);
    QVERIFY(messages.m_shown.empty());
    QVERIFY(redraws > 0);
    const int shown = static_cast<int>(dialog.Circles().size());
    QVERIFY2(shown >= 18 && shown <= 22, qPrintable(QString::number(shown)));
    QVERIFY(dialog.CountLabel()->text().startsWith(QString::number(shown) + pick_text::SUGGEST_COUNT_SHOWN));

    dialog.ThresholdSlider()->setValue(dialog.ThresholdSlider()->maximum());
    QVERIFY(dialog.CountLabel()->text().startsWith(QString("1") + pick_text::SUGGEST_COUNT_SHOWN));
    QTest::mouseClick(dialog.AcceptAllButton(), Qt::LeftButton);
    QCOMPARE(picks.m_nPickCount, 1);
    QCOMPARE(picks.m_bPickMode, 1);
    QTest::mouseClick(dialog.UndoButton(), Qt::LeftButton);
    QCOMPARE(picks.m_nPickCount, 0);

    // A click on a shown suggestion accepts it, a second click removes it.
    dialog.ThresholdSlider()->setValue(0);
    const PickPoint centre = dialog.Circles().front().m_centre;
    QVERIFY(dialog.AcceptAt({centre.x + 3, centre.y - 3}));
    QCOMPARE(picks.m_nPickCount, 1);
    QCOMPARE(picks.m_ptPicks[0], centre);
    QVERIFY(dialog.RemoveAt(centre));
    QCOMPARE(picks.m_nPickCount, 0);
}

void DialogsSuggestPicksTest::RefusedDiameterIsSaid() {
    PickState picks;
    test::RecordingMessages messages;
    SuggestPicksDialog dialog(picks, Image(), messages);
    dialog.DiameterEdit()->setText("500");
    QTest::mouseClick(dialog.FindButton(), Qt::LeftButton);
    QCOMPARE(messages.Texts(), std::vector<std::string>{pick_text::SUGGEST_BAD_DIAMETER});
    QVERIFY(dialog.Circles().empty());
}

void DialogsSuggestPicksTest::SuggestionsAreReviewedOnThePicture() {
    test::TempDir dir;
    test::TestApp app;
    app->GetFrame().resize(900, 700);
    app.m_chooser.Answer(WriteMicrograph(dir));
    app->OnFileOpen();
    QApplication::processEvents();
    ImageView& view = app->GetView();
    QCOMPARE(app->m_fZoom, 1.0f); // image pixels are window pixels: no scrolling at 384 × 384

    QAction* suggest = app->GetFrame().GetAction(ID_TOOLS_SUGGEST_PICKS);
    QVERIFY(suggest != nullptr);
    suggest->trigger();
    SuggestPicksDialog* dialog = app->GetSuggestPicks();
    QVERIFY(dialog != nullptr && dialog->isVisible());
    dialog->DiameterEdit()->setText("32");
    QTest::mouseClick(dialog->FindButton(), Qt::LeftButton);
    const std::vector<CandidateCircle> circles = dialog->Circles();
    QVERIFY2(circles.size() >= 18, qPrintable(QString::number(circles.size())));
    QVERIFY(SuggestionPixels(view) > 0);

    // A right press on a suggestion accepts it as a pick, a left press on it takes it out again, and
    // a press elsewhere is the view's own (a left one on empty film removes no pick).
    const PickPoint first = circles.front().m_centre;
    Press(view, Qt::RightButton, {first.x + 2, first.y + 2});
    QCOMPARE(app->m_pick.m_nPickCount, 1);
    QCOMPARE(app->m_pick.m_ptPicks[0], first);
    QCOMPARE(app->m_pick.m_bPickMode, 1);
    Press(view, Qt::LeftButton, first);
    QCOMPARE(app->m_pick.m_nPickCount, 0);
    // Undo Last Pick takes back the review's last step: the removal, then the accept.
    app->OnCommand(ID_TOOLS_UNDO_LAST_PICK);
    QCOMPARE(app->m_pick.m_nPickCount, 1);
    app->OnCommand(ID_TOOLS_UNDO_LAST_PICK);
    QCOMPARE(app->m_pick.m_nPickCount, 0);

    // The low-pass display changes the picture, not the circles or the review.
    app.m_dialogs.m_nResult = QDialog::Accepted;
    app.m_dialogs.m_inspect = [](QDialog& low) { static_cast<QInputDialog&>(low).setDoubleValue(3); };
    app->OnCommand(ID_VIEW_LOW_PASS);
    QVERIFY(view.LowPass() > 0);
    QVERIFY(SuggestionPixels(view) > 0);
    QTest::mouseClick(dialog->AcceptAllButton(), Qt::LeftButton);
    const int accepted = app->m_pick.m_nPickCount;
    QCOMPARE(accepted, static_cast<int>(circles.size()));

    // Saved as picks made by hand are: one box file each; the review ends and its circles go.
    app->SavePicks(PickPointer{{0, 0}, {0, 0}, 0});
    int boxes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        boxes += entry.path().filename().string().find("_Picked_Image_") != std::string::npos ? 1 : 0;
    QCOMPARE(boxes, accepted);
    QCOMPARE(app->m_pick.m_nPickCount, 0);
    QVERIFY(app->GetSuggestPicks() == nullptr);
    view.SetLowPass(0);
    QCOMPARE(SuggestionPixels(view), 0);
}

QTEST_MAIN(DialogsSuggestPicksTest)
#include "DialogsSuggestPicksTest.moc"

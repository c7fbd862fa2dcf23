// The "Suggest Picks" window as the user works it: a diameter and Find, the slider and its count,
// Accept All and Undo on the pick list, a click on a suggestion, a diameter it refuses.
#include "app/SuggestPicksDialog.h"
#include "pick/PickMessages.h"
#include "pick/SyntheticMicrograph.h"
#include "support/TestSupport.h"

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

QTEST_MAIN(DialogsSuggestPicksTest)
#include "DialogsSuggestPicksTest.moc"

// The "Particle Pick Settings ..." dialog as the user works it: clicks, typing, OK, Cancel, Esc.
#include "DialogsTestSupport.h"
#include "app/PickSettingsDialog.h"
#include "pick/PickMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QtTest>

using namespace gc;
using Texts = std::vector<std::string>;

class DialogsPickTest : public QObject {
    Q_OBJECT
private slots:
    void ControlsAndTexts();
    void OkWithPickModeOffStaysOpen();
    void OkAcceptsAValidSize();
    void TypingIsReadAtOnce();
    void CancelResetsEscapeKeeps();
};

namespace {

using test::Retype;

} // namespace

void DialogsPickTest::ControlsAndTexts() {
    PickState state;
    state.m_bPickMode = 1;
    state.m_nMaskSize = 30;
    state.m_nPickCount = 1;
    test::RecordingMessages messages;
    PickSettingsDialog dialog(state, messages);
    QCOMPARE(dialog.windowTitle(), QString(pick_text::DIALOG_CAPTION));
    QCOMPARE(dialog.PickModeBox()->text(), QString(pick_text::PICK_MODE_CHECK));
    QCOMPARE(dialog.CollateBox()->text(), QString(pick_text::COLLATE_CHECK));
    QVERIFY(!dialog.PickModeBox()->isChecked());
    QVERIFY(!dialog.CollateBox()->isChecked());
    QCOMPARE(dialog.MaskSizeEdit()->text(), QString("0"));
    QCOMPARE(dialog.OkButton()->text(), QString("OK"));
    QVERIFY(dialog.OkButton()->isDefault());
    QCOMPARE(dialog.CancelButton()->text(), QString("Cancel"));
    QVERIFY(dialog.findChildren<QLabel*>().size() == 1);
    QCOMPARE(dialog.findChild<QLabel*>()->text(), QString(pick_text::MASK_SIZE_LABEL));
    // Opening the dialog reset the pick state.
    QCOMPARE(state.m_bPickMode, 0);
    QCOMPARE(state.m_nMaskSize, 0);
    QCOMPARE(state.m_nPickCount, 0);
    // Digits only: letters never reach the field.
    dialog.show();
    Retype(dialog.MaskSizeEdit(), "1a2");
    QCOMPARE(dialog.MaskSizeEdit()->text(), QString("12"));
    QVERIFY(messages.m_shown.empty());
}

void DialogsPickTest::OkWithPickModeOffStaysOpen() {
    PickState state;
    test::RecordingMessages messages;
    int repaints = 0;
    PickSettingsDialog dialog(state, messages, nullptr, [&repaints] { ++repaints; });
    dialog.show();
    Retype(dialog.MaskSizeEdit(), "25");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(messages.Texts(), (Texts{pick_text::SET_PICK_MODE_ON, pick_text::INVALID_MASK_SIZE}));
    QCOMPARE(dialog.MaskSizeEdit()->text(), QString("0"));
    QCOMPARE(state.m_nMaskSize, 0);
    QCOMPARE(repaints, 1);
}

void DialogsPickTest::OkAcceptsAValidSize() {
    PickState state;
    state.m_strOpenFilePath = "/data/plate.tif";
    test::RecordingMessages messages;
    PickSettingsDialog dialog(state, messages);
    dialog.show();
    QTest::mouseClick(dialog.PickModeBox(), Qt::LeftButton);
    QTest::mouseClick(dialog.CollateBox(), Qt::LeftButton);
    QVERIFY(dialog.PickModeBox()->isChecked());
    Retype(dialog.MaskSizeEdit(), "201");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(messages.Texts(), (Texts{pick_text::INVALID_MASK_SIZE}));

    messages.m_shown.clear();
    Retype(dialog.MaskSizeEdit(), "48");
    QTest::keyClick(dialog.MaskSizeEdit(), Qt::Key_Return); // the default button
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), PICK_MASK_END_CODE);
    QVERIFY(messages.m_shown.empty());
    QCOMPARE(state.m_bPickMode, 1);
    QCOMPARE(state.m_bCollate, 1);
    QCOMPARE(state.m_nMaskSize, 48);
    QCOMPARE(state.m_strOpenFilePath, std::string("/data/plate.tif"));
}

void DialogsPickTest::TypingIsReadAtOnce() {
    PickState state;
    test::RecordingMessages messages;
    PickSettingsDialog dialog(state, messages);
    dialog.show();
    Retype(dialog.MaskSizeEdit(), "7");
    QCOMPARE(state.m_nMaskSize, 7);
    QTest::keyClick(dialog.MaskSizeEdit(), Qt::Key_Backspace); // empty: the size stays
    QCOMPARE(state.m_nMaskSize, 7);
    QTest::keyClicks(dialog.MaskSizeEdit(), "0");
    QCOMPARE(state.m_nMaskSize, 0);
    QTest::keyClicks(dialog.MaskSizeEdit(), "300");
    QCOMPARE(state.m_nMaskSize, 300);
    // No prompt at any key: the size is checked when OK is pressed.
    QVERIFY(messages.m_shown.empty());
}

void DialogsPickTest::CancelResetsEscapeKeeps() {
    PickState state;
    test::RecordingMessages messages;
    {
        PickSettingsDialog dialog(state, messages);
        dialog.show();
        QTest::mouseClick(dialog.PickModeBox(), Qt::LeftButton);
        Retype(dialog.MaskSizeEdit(), "300");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
    }
    // Esc keeps what the last change stored, even a size OK would refuse.
    QCOMPARE(state.m_bPickMode, 1);
    QCOMPARE(state.m_nMaskSize, 300);
    {
        PickSettingsDialog dialog(state, messages);
        dialog.show();
        QTest::mouseClick(dialog.PickModeBox(), Qt::LeftButton);
        Retype(dialog.MaskSizeEdit(), "20");
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), PICK_MASK_END_CODE);
    }
    QCOMPARE(state.m_bPickMode, 0);
    QCOMPARE(state.m_nMaskSize, 0);
}

QTEST_MAIN(DialogsPickTest)
#include "DialogsPickTest.moc"

#include "forms/PickSettingsForm.h"
#include "PickTestImages.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

using test::RecordingMessages;
using Texts = std::vector<std::string>;

TEST(PickMask, OpeningResetsThePickState) {
    PickState state;
    state.m_bPickMode = 1;
    state.m_bCollate = 1;
    state.m_nMaskSize = 40;
    state.m_nPickCount = 1;
    state.m_ptPicks[0] = {5, 6};
    state.m_strOpenFilePath = "/x/a.tif";
    const PickSettingsForm dialog(state);
    EXPECT_EQ(dialog.MaskText(), "0");
    EXPECT_FALSE(dialog.PickModeChecked());
    EXPECT_FALSE(dialog.CollateChecked());
    EXPECT_EQ(state.m_nMaskSize, 0);
    EXPECT_EQ(state.m_nPickCount, 0);
    EXPECT_EQ(state.m_ptPicks[0], EMPTY_PICK);
    EXPECT_EQ(state.m_strOpenFilePath, "/x/a.tif");
}

TEST(PickMask, OkWithPickModeOffShowsBothMessagesAndResetsTheField) {
    PickState state;
    PickSettingsForm dialog(state);
    RecordingMessages messages;
    dialog.OnMaskSizeChanged("25");
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_FALSE(dialog.OnOk(messages));
    EXPECT_EQ(messages.Texts(), (Texts{pick_text::SET_PICK_MODE_ON, pick_text::INVALID_MASK_SIZE}));
    EXPECT_EQ(dialog.MaskText(), "0");
    EXPECT_EQ(state.m_nMaskSize, 0);
}

TEST(PickMask, OkAcceptsSizesTwoToTwoHundredWithPickModeOn) {
    for (const auto& [text, accepted] : std::vector<std::pair<std::string, bool>>{
             {"1", false}, {"2", true}, {"25", true}, {"200", true}, {"201", false}, {"007", true}}) {
        PickState state;
        PickSettingsForm dialog(state);
        RecordingMessages messages;
        dialog.OnPickModeClicked();
        dialog.OnMaskSizeChanged(text);
        EXPECT_EQ(dialog.OnOk(messages), accepted) << text;
        if (accepted) {
            EXPECT_TRUE(messages.m_shown.empty()) << text;
            EXPECT_EQ(state.m_nMaskSize, std::stoi(text));
            EXPECT_EQ(state.m_bPickMode, 1);
        } else {
            EXPECT_EQ(messages.Texts(), Texts{pick_text::INVALID_MASK_SIZE}) << text;
            EXPECT_EQ(dialog.MaskText(), "0");
        }
    }
}

// Every change is read at once, quietly: the size is checked when the user confirms it with OK.
TEST(PickMask, FieldChangesAreReadAtOnceWithoutPrompts) {
    PickState state;
    PickSettingsForm dialog(state);
    dialog.OnMaskSizeChanged("3");
    dialog.OnMaskSizeChanged(""); // empty: the size stays
    EXPECT_EQ(state.m_nMaskSize, 3);
    dialog.OnMaskSizeChanged("100000"); // out of range: stored all the same
    EXPECT_EQ(state.m_nMaskSize, 100000);
    dialog.OnMaskSizeChanged("99999");
    dialog.OnMaskSizeChanged("99999999999999"); // beyond int: saturates, out of range
    EXPECT_EQ(state.m_nMaskSize, 2147483647);
    EXPECT_EQ(LeadingInteger(" 12ab"), 12);
    EXPECT_EQ(LeadingInteger("ab"), 0);
}

TEST(PickMask, CheckBoxesToggleAndCancelResets) {
    PickState state;
    PickSettingsForm dialog(state);
    dialog.OnPickModeClicked();
    dialog.OnCollateClicked();
    dialog.OnCollateClicked();
    dialog.OnCollateClicked();
    dialog.OnMaskSizeChanged("30");
    EXPECT_EQ(state.m_bPickMode, 1);
    EXPECT_EQ(state.m_bCollate, 1);
    dialog.OnCancel();
    EXPECT_EQ(state.m_bPickMode, 0);
    EXPECT_EQ(state.m_bCollate, 0);
    EXPECT_EQ(state.m_nMaskSize, 0);
}

// Esc keeps whatever the last change stored; a size outside 2..200 then adds no pick.
TEST(PickMask, EscapeKeepsTheStateAndAnInvalidSizeAddsNoPick) {
    DIBSection image = test::PatternImage(500, 500);
    PickState state;
    {
        PickSettingsForm dialog(state);
        dialog.OnPickModeClicked();
        dialog.OnMaskSizeChanged("300");
    }
    EXPECT_EQ(state.m_bPickMode, 1);
    EXPECT_EQ(state.m_nMaskSize, 300);
    EXPECT_EQ(AddPick(state, &image, {250, 250}), AddPickResult::InvalidMaskSize);
    {
        PickSettingsForm dialog(state);
        dialog.OnPickModeClicked();
    }
    EXPECT_EQ(state.m_nMaskSize, 0); // the field was never changed
    EXPECT_EQ(AddPick(state, &image, {250, 250}), AddPickResult::InvalidMaskSize);
    EXPECT_EQ(state.m_nPickCount, 0);
}

// The field starts with the size last accepted, when OK would accept it.
TEST(PickMask, TheRememberedSizeIsOfferedAgain) {
    for (const auto& [remembered, shown] :
         std::vector<std::pair<int, std::string>>{{40, "40"}, {2, "2"}, {200, "200"}, {1, "0"}, {201, "0"}}) {
        PickState state;
        PickSettingsForm dialog(state, remembered);
        EXPECT_EQ(dialog.MaskText(), shown) << remembered;
        EXPECT_EQ(state.m_nMaskSize, std::stoi(shown)) << remembered;
        EXPECT_EQ(state.m_bPickMode, 0) << "pick mode is switched on each time";
        RecordingMessages messages;
        dialog.OnPickModeClicked();
        EXPECT_EQ(dialog.OnOk(messages), shown != "0") << remembered;
    }
}

} // namespace
} // namespace gc

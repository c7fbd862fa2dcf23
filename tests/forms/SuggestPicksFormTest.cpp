// The Suggest Picks dialog's rules on a generated micrograph: Find in Å or pixels, the slider's scale
// and the count it shows, Accept All into the pick state with pick mode and a box size, and a refused
// diameter.
#include "forms/SuggestPicksForm.h"
#include "pick/PickMessages.h"
#include "pick/SyntheticMicrograph.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace gc {
namespace {

TEST(SuggestPicksForm, FindSlideAcceptAllAndUndo) {
    const test::SyntheticMicrograph m =
        test::MakeMicrograph({.seed = 3, .width = 512, .height = 512, .diameter = 32, .particles = 40});
    test::MicrographRows rows(m);
    PickState picks;
    SuggestPicksForm form(picks);
    // 48 Å at 1.5 Å per pixel: 32 pixels.
    ASSERT_EQ(form.Find("48", 1.5, false, rows, 512, 512), SuggestFindResult::Found);
    const int shown = form.Review().ShownCount();
    EXPECT_GE(shown, 36);
    EXPECT_LE(shown, 42);
    EXPECT_EQ(form.CountText().substr(0, std::to_string(shown).size() +
                                             std::strlen(pick_text::SUGGEST_COUNT_SHOWN)),
              std::to_string(shown) + pick_text::SUGGEST_COUNT_SHOWN);

    // The slider's end shows only the best; its start every candidate.
    form.OnSliderMoved(SuggestPicksForm::SLIDER_STEPS);
    EXPECT_EQ(form.Review().ShownCount(), 1);
    EXPECT_EQ(form.SliderPosition(), SuggestPicksForm::SLIDER_STEPS);
    form.OnSliderMoved(0);
    EXPECT_GT(form.Review().ShownCount(), shown);

    form.OnSliderMoved(form.SliderPosition() + SuggestPicksForm::SLIDER_STEPS / 3);
    const int accepted = form.Review().ShownCount();
    EXPECT_EQ(form.OnAcceptAll(), accepted);
    EXPECT_EQ(picks.m_nPickCount, accepted);
    EXPECT_EQ(picks.m_bPickMode, 1);
    EXPECT_EQ(picks.m_nMaskSize, 48) << "1.5 x the diameter";
    EXPECT_TRUE(form.OnUndo());
    EXPECT_EQ(picks.m_nPickCount, 0);
}

TEST(SuggestPicksForm, RefusesADiameterItCannotSearchFor) {
    const test::SyntheticMicrograph m = test::MakeMicrograph({.width = 128, .height = 128, .particles = 0});
    test::MicrographRows rows(m);
    PickState picks;
    SuggestPicksForm form(picks);
    for (const char* text : {"", "0", "abc", "30:10", "200", "nan", "10:"})
        EXPECT_EQ(form.Find(text, 0, false, rows, 128, 128), SuggestFindResult::BadDiameter) << text;
    EXPECT_EQ(form.OnAcceptAll(), 0);
    EXPECT_EQ(picks.m_bPickMode, 0);
}

} // namespace
} // namespace gc

// The banner's path, the jokes and the About box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/OptionFlags.h"
#include "core/TraceLog.h"
#include "tests/unit/ui/DialogFixture.h"
#include "ui/Banner.h"
#include "ui/Jokes.h"

namespace qv::test {
namespace {

TEST(BannerTest, RunsUpTo28TurnsDownToMinus68TurnsAtMinus69AndClimbsAgain) {
    ASSERT_EQ(std::strlen(kBannerText), 68u);
    CaptionBanner banner;
    std::vector<int32_t> path;
    std::vector<std::string> captions;
    for (int tick = 0; tick < 1 + 28 + 96 + 3; ++tick) {
        captions.push_back(banner.Step());
        path.push_back(banner.Offset());
    }
    std::vector<int32_t> expected;
    for (int32_t offset = 1; offset <= 28; ++offset) expected.push_back(offset);
    for (int32_t offset = 27; offset >= -68; --offset) expected.push_back(offset);
    for (int32_t offset = -67; offset <= -64; ++offset) expected.push_back(offset);
    EXPECT_EQ(path, expected);
    EXPECT_EQ(captions[0], std::string(" ") + kBannerText);
    EXPECT_EQ(captions[27], std::string(28, ' ') + kBannerText);
    EXPECT_EQ(captions[28 + 27], kBannerText);  // offset 0
    EXPECT_EQ(captions.back(), kBannerText);    // offset below 0
}

TEST(JokeTableTest, TwentyOneTextsEachEndingWithALineEndAndTheChineseInDoubleByteCharacters) {
    for (int index = 0; index < kJokeCount; ++index) {
        const std::string text = JokeText(index);
        ASSERT_GE(text.size(), 2u) << index;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << index;
        bool wide = false;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (byte < 0x80) continue;
            // GB2312: a lead byte A1-F7 and a trail byte A1-FE.
            ASSERT_LT(i + 1, text.size()) << index;
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            EXPECT_TRUE(byte >= 0xA1 && byte <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) << index << " at " << i;
            wide = true;
            ++i;
        }
        EXPECT_EQ(wide, index >= 3) << index;
    }
    EXPECT_STREQ(JokeText(kJokeCount), "");
}

class CharacterTest : public DialogFixture {
protected:
    void SetUp() override {
        DialogFixture::SetUp();
        WriteFile("C:\\Config.ini", "[TEST]=ON\n");
        OpenDialog();
    }
};

TEST_F(CharacterTest, EveryRunTellsTheSameFirstJokeFollowedByAnEmptyLine) {
    std::string first;
    for (int run = 0; run < 2; ++run) {
        std::srand(1);  // the state of a runtime that was never seeded
        const size_t before = Log().size();
        ASSERT_TRUE(Click(IDC_JOKE));
        const std::string told = Log().substr(before);
        if (run == 0) first = told;
        EXPECT_EQ(told, first);
    }
    bool known = false;
    for (int index = 0; index < kJokeCount; ++index) known |= first == std::string(JokeText(index)) + "\r\n";
    EXPECT_TRUE(known) << first;
    EXPECT_EQ(first.substr(first.size() - 4), "\r\n\r\n");
}

TEST_F(CharacterTest, AJokeComesAfterTheLinesPostedBeforeIt) {
    g_bAsynMsg = true;
    AppendLogText(m_dialog.get(), "parked\r\n");
    ASSERT_TRUE(Click(IDC_JOKE));
    EXPECT_EQ(Log().rfind("parked\r\n", 0), 0u) << Log();
    EXPECT_EQ(PendingLogCount(), 0u);
}

TEST_F(CharacterTest, TheBannerTimerMovesTheCaption) {
    EXPECT_EQ(m_dialog->GetWindowText(), "Velloc");
    Window().FireTimer(m_dialog->m_nBannerTimer);
    EXPECT_EQ(m_dialog->GetWindowText(), std::string(" ") + kBannerText);
    Window().FireTimer(m_dialog->m_nBannerTimer);
    EXPECT_EQ(m_dialog->GetWindowText(), std::string("  ") + kBannerText);
    Window().FireTimer(m_dialog->m_nRefreshTimer);
    EXPECT_EQ(m_dialog->GetWindowText(), std::string("  ") + kBannerText);
}

TEST_F(CharacterTest, AboutOpensAsAChildOfTheMainWindowAndClosesWithOk) {
    std::vector<std::string> opened;
    SetDialogOpenHandler([&](CDialog& about) {
        opened.push_back(about.GetWindowText());
        EXPECT_EQ(about.Template().id, IDD_ABOUTBOX);
        EXPECT_EQ(about.GetDlgItem(IDC_ABOUT_WEB)->GetWindowText(), "quorvane.example");
        EXPECT_TRUE(Headless(about).Click(kIdOk));
    });
    ASSERT_TRUE(Click(IDC_ABOUT));
    EXPECT_EQ(opened, std::vector<std::string>{"About"});
    EXPECT_FALSE(Window().IsEnded());
}

}  // namespace
}  // namespace qv::test

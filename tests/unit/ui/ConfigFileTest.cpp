#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/OptionFlags.h"
#include "core/TextFile.h"
#include "tests/unit/tracer/TracerHarness.h"
#include "ui/ConfigFile.h"

namespace qv::test {
namespace {

struct ConfigCase {
    const char* name;
    std::string text;
    std::optional<bool> test, detectRet, detail, debug, asynMsg, nonZeroRpt;
};

TEST(ConfigFileTest, KeysAnywhereFirstOccurrenceValueToTheEndTrimmedOnInAnyCase) {
    const std::optional<bool> unset;
    const std::vector<ConfigCase> cases = {
        {"blank and lower-case value", "[DEBUG]= on \n", unset, unset, unset, true, unset, unset},
        {"key in small letters", "[debug]=ON\n", unset, unset, unset, unset, unset, unset},
        {"ON with more letters", "[DEBUG]=ONE\n", unset, unset, unset, false, unset, unset},
        {"empty value", "[DETAIL]=\n", unset, unset, false, unset, unset, unset},
        {"two keys on a line", "[TEST]=ON [DEBUG]=ON\n", false, unset, unset, true, unset, unset},
        {"key inside a line", "xx[ASYNMSG]=\tOn\r\n", unset, unset, unset, unset, true, unset},
        {"first occurrence", "[DETECTRET]=x [DETECTRET]=ON\n", unset, false, unset, unset, unset, unset},
        {"later line overrides", "[NONZERORPT]=ON\n[NONZERORPT]=off\n", unset, unset, unset, unset, unset, false},
        {"no line end at the end", "[TEST]=oN", true, unset, unset, unset, unset, unset},
        {"every key", "[TEST]=ON\n[DETECTRET]=ON\n[DETAIL]=ON\n[DEBUG]=ON\n[ASYNMSG]=ON\n[NONZERORPT]=ON\n", true, true,
         true, true, true, true},
        {"binary bytes around", std::string("\x01\xff[DEBUG]=ON\n\0[TEST]=ON\n", 22), unset, unset, unset, true, unset,
         unset},
        {"sections and comments are plain text", "[Options]\n; [DETAIL]=ON\n", unset, unset, true, unset, unset, unset},
    };
    for (const ConfigCase& c : cases) {
        const ConfigSettings settings = ParseConfigLines(SplitTextLines(c.text));
        EXPECT_EQ(settings.test, c.test) << c.name;
        EXPECT_EQ(settings.detectRet, c.detectRet) << c.name;
        EXPECT_EQ(settings.detail, c.detail) << c.name;
        EXPECT_EQ(settings.debug, c.debug) << c.name;
        EXPECT_EQ(settings.asynMsg, c.asynMsg) << c.name;
        EXPECT_EQ(settings.nonZeroRpt, c.nonZeroRpt) << c.name;
    }
}

class ConfigFileReadTest : public SimFixture {};

TEST_F(ConfigFileReadTest, TheFileSetsOnlyTheFlagsItNamesAndAMissingFileNone) {
    ReadConfigFile();
    EXPECT_FALSE(g_bTest || g_bDebug || g_bDetail);

    g_bDetail = true;
    std::string longLine(3 << 20, 'x');
    WriteFile("C:\\Config.ini", "[DEBUG]=ON\r\n" + longLine + "[TEST]=on\r\n[ASYNMSG]=OFF");
    g_bAsynMsg = true;
    ReadConfigFile();
    EXPECT_TRUE(g_bDebug);
    EXPECT_TRUE(g_bTest);
    EXPECT_FALSE(g_bAsynMsg);
    EXPECT_TRUE(g_bDetail);  // not named: left as it was
    EXPECT_FALSE(g_bStatOnly);
}

}  // namespace
}  // namespace qv::test

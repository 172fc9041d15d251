// The texts of the farm view's cells: scene progress with its done ranges and elapsed times.
#include <gtest/gtest.h>

#include <string>

#include "farm/farm_state.h"
#include "farm/view_texts.h"

namespace {

struct ProgressCase {
    const char* name;
    int first, last, step;
    int position;
    const char* codes;  // codes of frames first..last, one character each; '.' = not scanned
    const char* expected;
};

SceneEntry sceneWith(const ProgressCase& c) {
    SceneEntry e;
    e.position = c.position;
    e.firstFrame = c.first;
    e.lastFrame = c.last;
    e.frameStep = c.step;
    for (int i = 0; c.codes[i] != '\0'; ++i) {
        setFrameCode(e, c.first + i, c.codes[i] == '.' ? kFrameNotScanned : c.codes[i]);
    }
    return e;
}

class SceneProgress : public testing::TestWithParam<ProgressCase> {};

TEST_P(SceneProgress, ShowsTheDoneShareAndRanges) {
    EXPECT_EQ(sceneProgressText(sceneWith(GetParam())), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SceneProgress,
    testing::Values(
        ProgressCase{"TwoRanges", 1, 10, 1, 1, "PPPPMMMPPP", "(70%)1-4,8-10"},
        ProgressCase{"GapBeforeFirstRangeBecomesBlank", 1, 10, 1, 1, "MMPPPPPPPP", "(80%) 3-10"},
        ProgressCase{"NothingDone", 1, 10, 1, 1, "MMMMMMMMMM", "(0%)"},
        ProgressCase{"AllDone", 1, 10, 1, 1, "PPPPPPPPPP", "(100%)1-10"},
        ProgressCase{"FinishedCountsAsDone", 1, 10, 1, 1, "SSPPSSPPSS", "(100%)1-10"},
        ProgressCase{"InHandIsNotDone", 1, 4, 1, 1, "PQQP", "(50%)1,4"},
        ProgressCase{"StepTwoCountsEveryFrame", 1, 10, 2, 1, "P.P.P.M.M.", "(60%)1-5"},
        ProgressCase{"OutOfRunningIsComplete", 1, 10, 1, 0, "MMMMMMMMMM", "Complete"},
        ProgressCase{"FirstFrameUnscannedIsNotScanned", 1, 10, 1, 1, ".PPPPPPPPP", "Not Scanned"},
        ProgressCase{"RangesStopOncePastTwentyCharacters", 1, 30, 1, 1,
                     "PMPMPMPMPMPMPMPMPMPMPMPMPMPMPM", "(50%)1,3,5,7,9,11,13"},
        ProgressCase{"RangeBeyondTheFrameMapIsComplete", 2990, 3005, 1, 1, "PPPP", "Complete"},
        ProgressCase{"ZeroStepIsComplete", 1, 10, 0, 1, "PPPP", "Complete"},
        ProgressCase{"EmptyRangeIsComplete", 5, 4, 1, 1, "P", "Complete"}),
    [](const testing::TestParamInfo<ProgressCase>& info) { return info.param.name; });

struct ElapsedCase {
    const char* name;
    uint32_t ms;
    const char* expected;
};

class ElapsedTime : public testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTime, ShowsHoursMinutesSecondsWithoutDays) {
    EXPECT_EQ(elapsedText(GetParam().ms), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ElapsedTime,
    testing::Values(ElapsedCase{"Zero", 0, "00:00:00"},
                    ElapsedCase{"PartSecondsAreDropped", 59999, "00:00:59"},
                    ElapsedCase{"HoursMinutesSeconds", 3725000, "01:02:05"},
                    ElapsedCase{"WholeDaysAreDropped", (25 * 3600 + 3) * 1000u, "01:00:03"},
                    ElapsedCase{"LongestTickDifference", 0xFFFFFFFFu, "17:02:47"}),
    [](const testing::TestParamInfo<ElapsedCase>& info) { return info.param.name; });

TEST(CellTexts, AntialiasBeyondTheTableIsEmptyAndSoftFollowsTheFilter) {
    EXPECT_EQ(antialiasText(6), "Enh.High");
    EXPECT_EQ(antialiasText(7), "");
    EXPECT_EQ(antialiasText(-1), "");
    EXPECT_EQ(softFilterText(0), "Off");
    EXPECT_EQ(softFilterText(2), "On");
}

TEST(CellTexts, NodeStatusOutsideTheStatesIsEmpty) {
    EXPECT_EQ(nodeStatusText(WLoadFirst), "Load...");
    EXPECT_EQ(configNodeStatusText(WLoadFirst), "Wait Load");
    EXPECT_EQ(nodeStatusText(9), "");
    EXPECT_EQ(nodeStatusText(-1), "");
}

}  // namespace

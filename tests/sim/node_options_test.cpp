#include "sim/node_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

sim::ParseOutcome parse(std::vector<std::string> args, sim::NodeOptions& options,
                        std::string& error) {
    args.insert(args.begin(), "kestrun-node-sim");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    return sim::parseNodeOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(NodeOptions, EveryOptionIsTaken) {
    TempDir dir;
    sim::NodeOptions o;
    std::string error;
    ASSERT_EQ(parse({"--command-dir",       dir.path(),    "--node",          "7",
                     "--content-dir",       "Q:\\content", "--init-ms",       "0",
                     "--load-ms",           "1000",        "--render-ms",     "400",
                     "--poll-ms",           "5",           "--fail-frames",   "3,12,3",
                     "--die-after-frames",  "4",           "--path-map",      "Q:\\=/srv/farm/",
                     "--path-map",          "R:=/srv/r=x", "--wait-pause-ms", "2",
                     "--hang-after-frames", "6",           "--empty-frames",  "8",
                     "--cut-frames",        "9,10"},
                    o, error),
              sim::ParseOutcome::Run)
        << error;
    EXPECT_EQ(o.commandDir, dir.path());
    EXPECT_EQ(o.node, 7);
    EXPECT_EQ(o.contentDir, "Q:\\content");
    EXPECT_EQ(o.initMs, 0);
    EXPECT_EQ(o.loadMs, 1000);
    EXPECT_EQ(o.renderMs, 400);
    EXPECT_EQ(o.pollMs, 5);
    EXPECT_EQ(o.failFrames, (std::set<int>{3, 12}));
    EXPECT_EQ(o.dieAfterFrames, 4);
    EXPECT_EQ(o.waitPauseMs, 2);
    EXPECT_EQ(o.hangAfterFrames, 6);
    EXPECT_EQ(o.emptyFrames, (std::set<int>{8}));
    EXPECT_EQ(o.cutFrames, (std::set<int>{9, 10}));
    ASSERT_EQ(o.pathMap.size(), 2u);
    EXPECT_EQ(o.pathMap[0].nodePath, "Q:\\");
    EXPECT_EQ(o.pathMap[0].localPath, "/srv/farm/");
    EXPECT_EQ(o.pathMap[1].nodePath, "R:");
    EXPECT_EQ(o.pathMap[1].localPath, "/srv/r=x");
}

TEST(NodeOptions, DefaultsAreThoseOfAWellNode) {
    TempDir dir;
    sim::NodeOptions o;
    std::string error;
    ASSERT_EQ(parse({"--command-dir", dir.path(), "--node", "1"}, o, error),
              sim::ParseOutcome::Run);
    EXPECT_EQ(o.waitPauseMs, 1000) << "a real node pauses a second";
    EXPECT_EQ(o.dieAfterFrames, -1);
    EXPECT_EQ(o.hangAfterFrames, -1);
    EXPECT_TRUE(o.failFrames.empty());
    EXPECT_TRUE(o.pathMap.empty());
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;  // "DIR" stands for an existing folder
    const char* error;
};

TEST(NodeOptions, BadCommandLinesAreRefusedWithTheReason) {
    TempDir dir;
    const BadCase cases[] = {
        {"no command folder", {"--node", "1"}, "--command-dir is required"},
        {"no node", {"--command-dir", "DIR"}, "--node is required"},
        {"missing folder",
         {"--command-dir", "DIR/none", "--node", "1"},
         "command folder DIR/none does not exist"},
        {"node 0",
         {"--command-dir", "DIR", "--node", "0"},
         "--node needs a whole number of at least 1, not \"0\""},
        {"node not a number",
         {"--command-dir", "DIR", "--node", "2x"},
         "--node needs a whole number of at least 1, not \"2x\""},
        {"negative time",
         {"--command-dir", "DIR", "--node", "1", "--render-ms", "-5"},
         "--render-ms needs a whole number of at least 0, not \"-5\""},
        {"value missing", {"--command-dir", "DIR", "--node"}, "--node needs a value"},
        {"unknown option",
         {"--command-dir", "DIR", "--node", "1", "--speed", "2"},
         "unknown option --speed"},
        {"stray argument",
         {"--command-dir", "DIR", "--node", "1", "extra"},
         "unknown argument extra"},
        {"no wait pause",
         {"--command-dir", "DIR", "--node", "1", "--wait-pause-ms", "0"},
         "--wait-pause-ms needs a whole number of at least 1, not \"0\""},
        {"frame list with a gap",
         {"--command-dir", "DIR", "--node", "1", "--fail-frames", "3,,4"},
         "--fail-frames needs frame numbers separated by commas, not \"3,,4\""},
        {"path map without =",
         {"--command-dir", "DIR", "--node", "1", "--path-map", "Q:\\"},
         "--path-map needs NODE=LOCAL, not \"Q:\\\""},
        {"path map with an empty side",
         {"--command-dir", "DIR", "--node", "1", "--path-map", "=/x"},
         "--path-map needs NODE=LOCAL, not \"=/x\""},
    };
    for (const BadCase& c : cases) {
        std::vector<std::string> args = c.args;
        std::string expected = c.error;
        for (std::string& a : args) {
            if (a.starts_with("DIR")) {
                a.replace(0, 3, dir.path());
            }
        }
        if (size_t at = expected.find("DIR"); at != std::string::npos) {
            expected.replace(at, 3, dir.path());
        }
        sim::NodeOptions o;
        std::string error;
        EXPECT_EQ(parse(args, o, error), sim::ParseOutcome::Error) << c.name;
        EXPECT_EQ(error, expected) << c.name;
    }
}

}  // namespace

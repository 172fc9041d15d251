// The real kestrun-node-sim program, started as its own process.
#include <gtest/gtest.h>

#include "node_process.h"
#include "temp_dir.h"
#include "wait_for.h"

namespace {

std::string waitForAck(const std::string& path, const std::string& word) {
    waitFor([&] { return fileExists(path) && readText(path) == word; }, 5000);
    return fileExists(path) ? readText(path) : "";
}

TEST(NodeProcess, AnswersWaitAndQuit) {
    TempDir dir;
    ChildProcess node(binaryPath("kestrun-node-sim"),
                      {"--command-dir", dir.path(), "--node", "3", "--wait-pause-ms", "5"},
                      dir.file("node.log"));
    writeText(dir.file("job3"), "wait");
    EXPECT_EQ(waitForAck(dir.file("ack3"), "Ready"), "Ready");
    writeText(dir.file("job3"), "quit");
    EXPECT_EQ(node.wait(5000), 0);
    EXPECT_EQ(readText(dir.file("ack3")), "Offline");
}

TEST(NodeProcess, BadOptionExitsWithStatus2AndSaysWhy) {
    TempDir dir;
    ChildProcess node(binaryPath("kestrun-node-sim"),
                      {"--command-dir", dir.path(), "--node", "three"}, dir.file("out.txt"));
    EXPECT_EQ(node.wait(5000), 2);
    EXPECT_NE(readText(dir.file("out.txt")).find("--node needs a whole number"), std::string::npos);
}

}  // namespace

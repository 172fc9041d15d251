// Starting a program detached: the arguments arrive one by one exactly as given, no shell
// takes them apart, the caller does not wait, nothing is left for it to collect, and a program
// that cannot be started says why.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>

#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"

namespace {

// A script that writes each argument after the first into the file the first names, one per
// line in brackets, through a temporary so a reader sees the whole file or none.
std::string writeArgsScript(const TempDir& dir, std::string_view before = "") {
    std::string path = dir.file("args.sh");
    writeText(path, "#!/bin/sh\n" + std::string(before) +
                        "out=\"$1\"; shift\n"
                        "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$out.tmp\"\n"
                        "mv \"$out.tmp\" \"$out\"\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

bool waitForFile(const std::string& path, int timeoutMs) {
    return waitFor([&] { return fileExists(path); }, timeoutMs);
}

TEST(Process, ArgumentsArriveWholeWithoutAShell) {
    TempDir dir;
    std::string out = dir.file("out.txt");
    std::string error;
    ASSERT_TRUE(startDetached(writeArgsScript(dir),
                              {out, "scene-completed", "my shot; rm -rf $HOME `x` *.lws"}, error))
        << error;
    ASSERT_TRUE(waitForFile(out, 20000));
    EXPECT_EQ(readText(out), "[scene-completed]\n[my shot; rm -rf $HOME `x` *.lws]\n");
}

TEST(Process, TheCallerNeitherWaitsNorHasAChildToCollect) {
    TempDir dir;
    std::string out = dir.file("out.txt");
    std::string error;
    auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(startDetached(writeArgsScript(dir, "sleep 2\n"), {out, "late"}, error)) << error;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
    EXPECT_FALSE(fileExists(out));
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    ASSERT_TRUE(waitForFile(out, 20000));
    EXPECT_EQ(readText(out), "[late]\n");
}

TEST(Process, AProgramThatCannotStartSaysWhy) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(startDetached(dir.file("missing"), {"a", "b"}, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(startDetached("kestrun-no-such-program", {}, error));
    EXPECT_FALSE(startDetached("", {}, error));
    std::string plain = dir.file("plain.sh");
    writeText(plain, "#!/bin/sh\n");
    EXPECT_FALSE(startDetached(plain, {}, error));  // not executable
    EXPECT_EQ(error, "Permission denied");
}

TEST(Process, ANameWithoutASlashIsLookedUpAlongPath) {
    std::string error;
    EXPECT_TRUE(startDetached("true", {"x", "y"}, error)) << error;
}

}  // namespace

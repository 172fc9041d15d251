// Real faults for the fault scenarios: a small tmpfs mounted over a folder (and a way to fill
// it), folders handed to the unprivileged user "nobody", programs started as that user through
// setpriv (the tests run as root, and permission bits do not stop root), and an in-process farm
// on a ScenarioFarm's folders with the real clock, for tests that act as the operator.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "farm/farm.h"
#include "tests/support/scenario_support.h"

// True when the tests run as root: mounting a file system and acting as another user need it,
// and a test that does either skips with a message otherwise.
bool runningAsRoot();

// Mounts a tmpfs of the given size ("256k") over dir for its lifetime; unmounted on the way
// out, failed test or not.
class TmpfsMount {
  public:
    TmpfsMount(std::string dir, const std::string& size);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }

  private:
    std::string dir_;
    bool mounted_ = false;
    std::string error_;
};

// Writes path until its file system has no byte left; gives the bytes written.
size_t fillFileSystem(const std::string& path);

// Gives path and everything below it to nobody:nogroup. False when a change fails.
bool giveToNobody(const std::string& path);
// Lets every user into path (a test's temporary folder is made for its owner only).
void openToEveryone(const std::string& path);
// The setpriv arguments that run program with args as nobody:nogroup, without other groups.
std::vector<std::string> asNobody(const std::string& program, const std::vector<std::string>& args);
constexpr const char* kSetpriv = "/usr/bin/setpriv";

// A farm run in this process on a ScenarioFarm's folders, with the real clock.
class LiveFarm {
  public:
    explicit LiveFarm(ScenarioFarm& f);
    // Ticks every 50 ms until done holds or maxTicks ticks ran; gives done().
    bool tickUntil(const std::function<bool()>& done, int maxTicks);
    // The longest single tick so far, in milliseconds.
    long longestTickMs() const { return longestTickMs_; }

    Clock clock;
    Farm farm;

  private:
    long longestTickMs_ = 0;
};

// True when every frame first..last (by step) of prefix has its image.
bool allRendered(const ScenarioFarm& f, const std::string& prefix, int first, int last,
                 int step = 1);

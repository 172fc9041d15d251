#include "app/headless_runner.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "app/headless_host.h"
#include "engine/farm_cycle.h"
#include "engine/farm_stats.h"
#include "engine/operator_commands.h"
#include "farm/farm.h"
#include "platform/fixed_text.h"
#include "platform/posix_file_system.h"
#include "settings/settings_file.h"
#include "web/farm_driver.h"
#include "web/web_monitor.h"

namespace {

constexpr const char* kUsage =
    "usage: kestrun-headless [--go] [--yes] [--until-done] [--max-ticks N] [--cycle-ms N]\n"
    "                        [--web-port N] [--stuck-ms N] [--verbose]\n"
    "       kestrun-headless --help | --version\n"
    "  --go          press GO at start: hand frames out to the nodes\n"
    "  --yes         carry on when the queue file says a farm is still running\n"
    "  --until-done  quit once no scene is live and no node holds a frame\n"
    "  --max-ticks N quit after N ticks\n"
    "  --cycle-ms N  tick every N milliseconds instead of Cycle_time seconds\n"
    "  --web-port N  serve the web monitor on port N (0: not at all) instead of\n"
    "                [Web_Monitor] Port\n"
    "  --stuck-ms N  a node is stuck after N milliseconds without progress instead of\n"
    "                Stuck_Minutes (for trials and tests)\n"
    "  --verbose     print the status texts (\"status: Checking nodes\") too, not only\n"
    "                the log lines and the summary\n"
    "  --help        this text\n"
    "  --version     the program's name and version\n"
    "The settings file is $XDG_CONFIG_HOME/Kestrun.ini (default ~/.config/Kestrun.ini).\n"
    "Exit status: 0 after Quit, 1 bad options, 2 not configured, 3 still running, 4 failed\n"
    "(3: the queue file says the farm is running, or another farm holds the queue;\n"
    "4: --until-done ended with failed scenes in the queue).\n";

volatile std::sig_atomic_t stopRequested = 0;

void onStopSignal(int) {
    stopRequested = 1;
}

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool parseCount(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= 0;
}

// True when no scene is live and no node holds a frame.
bool farmDone(const Farm& farm) {
    const FarmState& s = farm.state;
    for (int k = 1; k <= s.sceneCount; ++k) {
        if (s.scenes[k].position > 0) {
            return false;
        }
    }
    for (int n = 1; n <= farm.settings.No_Of_Nodes; ++n) {
        if (nodeHoldsFrame(s.nodes[n].state)) {
            return false;
        }
    }
    return true;
}

// Waits one cycle, serving the web monitor's commands every 10 ms meanwhile and looking at the
// command folder every Ack_Look_ms (none when 0).
void sleepCycle(const Farm& farm, FarmDriver& driver, std::chrono::milliseconds cycle) {
    using Clock = std::chrono::steady_clock;
    auto now = Clock::now();
    auto deadline = now + cycle;
    std::chrono::milliseconds lookEvery(farm.settings.Ack_Look_ms);
    auto nextLook = now + lookEvery;
    while (stopRequested == 0 && (now = Clock::now()) < deadline) {
        auto wake = std::min(deadline, now + std::chrono::milliseconds(10));
        if (lookEvery.count() > 0) {
            wake = std::min(wake, nextLook);
        }
        std::this_thread::sleep_until(wake);
        driver.serveCommands();
        if (lookEvery.count() > 0 && Clock::now() >= nextLook) {
            driver.look();
            nextLook = Clock::now() + lookEvery;
        }
    }
}

void printSummary(const Farm& farm) {
    std::cout << farmSummaryText(farm) << std::endl;
}

// The scenes in the queue that failed, by file name, comma-separated; empty when none did.
std::string failedScenes(const Farm& farm) {
    std::string names;
    for (int k = 1; k <= farm.state.sceneCount; ++k) {
        if (sceneFailed(farm.state.scenes[k])) {
            names +=
                (names.empty() ? "" : ", ") + std::string(textOf(farm.state.scenes[k].fileName));
        }
    }
    return names;
}

void runTicks(Farm& farm, HeadlessHost& host, FarmDriver& driver, const HeadlessOptions& o,
              std::chrono::milliseconds cycle) {
    long ticks = 1;  // startFarm ran the first tick
    minutePassed(farm);
    for (;;) {
        if (stopRequested != 0 || host.quitPosted()) {
            return;
        }
        if (o.untilDone && farmDone(farm)) {
            return;
        }
        if (o.maxTicks >= 0 && ticks >= o.maxTicks) {
            return;
        }
        sleepCycle(farm, driver, cycle);
        if (stopRequested != 0) {
            return;
        }
        driver.tick();
        ++ticks;
        if (minutePassed(farm)) {
            printSummary(farm);
        }
    }
}

}  // namespace

bool parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& o,
                          std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--go") {
            o.go = true;
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--until-done") {
            o.untilDone = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if ((a == "--max-ticks" || a == "--cycle-ms" || a == "--web-port" ||
                    a == "--stuck-ms") &&
                   hasValue) {
            long& target = a == "--max-ticks"  ? o.maxTicks
                           : a == "--cycle-ms" ? o.cycleMs
                           : a == "--stuck-ms" ? o.stuckMs
                                               : o.webPort;
            if (!parseCount(args[++i], target)) {
                error = a + " takes a whole number, not '" + args[i] + "'";
                return false;
            }
            if (a == "--web-port" && target > 65535) {
                error = "--web-port takes a port from 0 to 65535, not '" + args[i] + "'";
                return false;
            }
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    return true;
}

int runHeadless(int argc, char** argv) {
    HeadlessOptions o;
    std::string error;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "kestrun-headless " KESTRUN_VERSION "\n";
        return 0;
    }
    if (!parseHeadlessOptions(args, o, error)) {
        std::cerr << "kestrun-headless: " << error << "\n" << kUsage;
        return 1;
    }
    installStopHandlers();
    PosixFileSystem fs;
    Clock clock;
    // Without --cycle-ms the cycle is known only once startFarm has loaded the settings.
    std::chrono::milliseconds cycle{o.cycleMs >= 0 ? o.cycleMs : 1000};
    HeadlessHost host(o.yes, o.verbose, cycle, stopRequested);
    Farm farm(host, fs, clock, defaultSettingsPath());
    farm.stuckLimitMs = o.stuckMs;
    host.attach(farm);
    // The log path comes from the settings; the start-up loads them again, with the defaults
    // written first when there is no settings file, which give the same path.
    loadSettings(farm);
    host.skipLogUpTo(farm.state.logFilePath);
    bool ticking = startFarm(farm);
    // GO is pressed on the farm this run opened, so its trail line goes into that farm's log.
    if (ticking && o.go) {
        pressGo(farm);
    }
    if (o.cycleMs < 0) {
        cycle = std::chrono::milliseconds(1000L * std::max(farm.settings.Cycle_time, 1));
        host.setCycle(cycle);
    }
    WebMonitor monitor;
    if (ticking) {
        monitor.start(farm, static_cast<int>(o.webPort));
        FarmDriver driver(farm, monitor);
        // A free-space halt waits inside a tick: the monitor shows it and refuses commands.
        host.setWhileHeld([&] { driver.whileHeld(); });
        runTicks(farm, host, driver, o, cycle);
        host.setWhileHeld({});
    }
    monitor.stop();
    if (!farm.state.alreadyRunning) {
        quitFarm(farm);
    }
    if (!farm.queueInUse) {
        host.printNewLogLines();  // the log of a farm that another farm holds is not this run's
    }
    std::string failed = ticking ? failedScenes(farm) : "";
    if (ticking) {
        printSummary(farm);
        if (!failed.empty()) {
            std::cout << "Failed scenes: " << failed << std::endl;
        }
    }
    if (host.notConfigured()) {
        return 2;
    }
    if (host.answeredNo() || farm.queueInUse) {
        return 3;
    }
    return o.untilDone && !failed.empty() ? 4 : 0;
}

// The farm tick's time while the web monitor is polled: 30 nodes rendering, the monitor
// publishing its snapshot and serving commands after every tick, and 50 clients each asking
// for /api/status ten times a second, beside the same farm with the monitor and no client and
// the same farm without a monitor. The clients run on their own threads, so time is wall time.
#include <httplib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "bench_farm.h"
#include "engine/farm_cycle.h"
#include "web/web_monitor.h"

namespace {

constexpr int kClients = 50;
constexpr auto kClientPeriod = std::chrono::milliseconds(100);

// Clients polling the status until they are destroyed; counts the answers they got.
class Pollers {
  public:
    Pollers(int port, int count) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, port] { poll(port); });
        }
    }
    ~Pollers() {
        stop_ = true;
        for (std::thread& t : threads_) {
            t.join();
        }
    }
    long answers() const { return answers_; }

  private:
    void poll(int port) {
        httplib::Client client("127.0.0.1", port);
        client.set_keep_alive(true);  // as a browser or a scripted session polls
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            if (auto r = client.Get("/api/status"); r && r->status == 200) {
                ++answers_;
            }
            next += kClientPeriod;
            std::this_thread::sleep_until(next);
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<long> answers_{0};
    std::vector<std::thread> threads_;
};

enum class Monitor { None, NoClients, Clients };

void benchTick(benchmark::State& st, Monitor monitor) {
    BenchFarm& b = sharedFarm("web", kMaxNodes, 10, 100, 10);
    b.farm.state.waitingForGo = false;
    b.setNodes(Rendering, "Render");  // every node rendering, waiting for its "Ready"
    WebMonitor web;
    std::unique_ptr<Pollers> pollers;
    if (monitor != Monitor::None) {
        b.farm.settings.Address = "127.0.0.1";
        for (int port = 18080; !web.start(b.farm, port) && port < 18180; ++port) {
        }
        if (!web.serving()) {
            st.SkipWithError("the monitor could not listen");
            return;
        }
    }
    if (monitor == Monitor::Clients) {
        pollers = std::make_unique<Pollers>(web.port(), kClients);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (auto _ : st) {
        farmTick(b.farm);
        if (monitor != Monitor::None) {
            web.publish(b.farm);
            web.serveCommands(b.farm);
        }
    }
    if (pollers) {
        st.counters["status_answers"] = static_cast<double>(pollers->answers());
    }
}

void registerTicks() {
    const std::pair<const char*, Monitor> kinds[] = {
        {"farmTick/web:none", Monitor::None},
        {"farmTick/web:no_clients", Monitor::NoClients},
        {"farmTick/web:50_clients", Monitor::Clients}};
    for (const auto& [name, kind] : kinds) {
        benchmark::RegisterBenchmark(name,
                                     [kind = kind](benchmark::State& st) { benchTick(st, kind); })
            ->UseRealTime()
            ->MinTime(3)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    registerTicks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

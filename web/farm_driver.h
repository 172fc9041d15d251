// FarmDriver: the farm's steps as both front ends run them on the farm's thread, the window's
// FarmController from its timers and kestrun-headless from its sleep loop: a tick and then the
// farm's status published to the web monitor; the web monitor's waiting commands carried out; a
// look at the command folder between ticks, published when a node moved. The front ends keep
// only when to run each. One step is inside the farm at a time: a front end's box may wait for
// the operator inside a step while its event loop runs the others, and then a tick only
// publishes the status as held, the web's commands are refused and a look is skipped.
#pragma once

#include <functional>

struct Farm;
class WebMonitor;

class FarmDriver {
  public:
    FarmDriver(Farm& farm, WebMonitor& web) : farm_(farm), web_(web) {}
    FarmDriver(const FarmDriver&) = delete;
    FarmDriver& operator=(const FarmDriver&) = delete;

    // True while a step is inside the farm.
    bool busy() const { return busy_; }
    // A tick, then the status published; false when another step was inside (the status is
    // published as held then).
    bool tick();
    // One look at the command folder; true when a node moved (the status is published then).
    // Nothing while another step is inside or the farm is halted.
    bool look();
    // Carries out the web monitor's waiting commands; false when another step was inside (they
    // are refused then).
    bool serveCommands();
    // Runs a step of the front end's own inside the farm (an operator's command).
    void runInside(const std::function<void()>& step);
    // A box of the front end holds the farm inside a step: the status published as held, the
    // web monitor's waiting commands refused.
    void whileHeld();

  private:
    Farm& farm_;
    WebMonitor& web_;
    bool busy_ = false;
};

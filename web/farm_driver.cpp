#include "web/farm_driver.h"

#include "engine/farm_cycle.h"
#include "farm/farm.h"
#include "web/web_monitor.h"

bool FarmDriver::tick() {
    if (busy_) {
        web_.publish(farm_, true);
        return false;
    }
    runInside([this] { farmTick(farm_); });
    web_.publish(farm_);
    return true;
}

bool FarmDriver::look() {
    if (busy_ || farm_.state.halted) {
        return false;
    }
    bool moved = false;
    runInside([&] { moved = lookBetweenTicks(farm_); });
    if (moved) {
        web_.publish(farm_);
    }
    return moved;
}

bool FarmDriver::serveCommands() {
    if (busy_) {
        web_.serveCommands(farm_, true);
        return false;
    }
    runInside([this] { web_.serveCommands(farm_); });
    return true;
}

void FarmDriver::runInside(const std::function<void()>& step) {
    busy_ = true;
    step();
    busy_ = false;
}

void FarmDriver::whileHeld() {
    web_.publish(farm_, true);
    web_.serveCommands(farm_, true);
}

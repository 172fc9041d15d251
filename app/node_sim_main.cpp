// kestrun-node-sim: a simulated ScreamerNet render node (see sim/node_sim.h).
#include <iostream>
#include <stop_token>

#include "sim/node_options.h"
#include "sim/node_sim.h"

int main(int argc, char** argv) {
    sim::NodeOptions options;
    std::string error;
    switch (sim::parseNodeOptions(argc, argv, options, error)) {
        case sim::ParseOutcome::Help:
            std::cout << sim::usageText();
            return 0;
        case sim::ParseOutcome::Version:
            std::cout << "kestrun-node-sim " KESTRUN_VERSION "\n";
            return 0;
        case sim::ParseOutcome::Error:
            std::cerr << "kestrun-node-sim: " << error
                      << "\n(kestrun-node-sim --help lists the options)\n";
            return 2;
        case sim::ParseOutcome::Run:
            break;
    }
    sim::NodeSim node(options, {}, &std::cout);
    return node.run(std::stop_token{}) == sim::NodeSim::Status::Quit ? 0 : 1;
}

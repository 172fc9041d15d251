// Keeps docs/NODE_STATES.md true: every row of its table is driven through real acknowledgement
// files against the supervisor, and the states a node reaches must be the row's next states.
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "engine/supervisor.h"
#include "engine_test.h"

namespace {

const std::map<std::string, NodeState> kStateNames = {
    {"Offline", Offline},     {"Ready", Ready},           {"Loading", Loading},
    {"LoadFirst", LoadFirst}, {"Loaded", Loaded},         {"Rendering", Rendering},
    {"WtoRender", WtoRender}, {"WLoadFirst", WLoadFirst}, {"Retired", Retired},
};
const char* const kWords[] = {"Ready", "Initializing", "Load", "Render", "Offline", "Idle"};

struct Row {
    std::string state;
    std::string word;
    std::set<std::string> next;
};

std::string trim(std::string text) {
    size_t from = text.find_first_not_of(' ');
    size_t to = text.find_last_not_of(' ');
    return from == std::string::npos ? "" : text.substr(from, to - from + 1);
}

// The cells of one "| a | b |" line.
std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line.substr(1));
    for (std::string cell; std::getline(in, cell, '|');) {
        out.push_back(trim(cell));
    }
    return out;
}

// "Loading (a frame was picked), Ready (nothing to hand out)" gives {Loading, Ready}.
std::set<std::string> nextStates(const std::string& cell) {
    std::set<std::string> out;
    std::stringstream in(cell);
    for (std::string part; std::getline(in, part, ',');) {
        out.insert(trim(part.substr(0, part.find('('))));
    }
    return out;
}

std::vector<Row> tableRows() {
    std::ifstream file(KESTRUN_SOURCE_DIR "/docs/NODE_STATES.md");
    std::vector<Row> rows;
    for (std::string line; std::getline(file, line);) {
        std::vector<std::string> c =
            line.starts_with("|") ? cells(line) : std::vector<std::string>{};
        if (c.size() == 4 && kStateNames.count(c[0])) {
            rows.push_back({c[0], c[2], nextStates(c[3])});
        }
    }
    return rows;
}

enum class Offer { Nothing, FrameOfOwnScene, FrameOfOtherScene };

// The state node 1 reaches in one turn, from state with its acknowledgement file saying ack.
std::string stateAfter(NodeState state, const std::string& ack, Offer offer) {
    FarmFixture fx;
    Farm& farm = *fx.farm;
    for (int32_t id : {7, 9}) {
        SceneEntry& e = farm.state.scenes[++farm.state.sceneCount];
        e.sceneId = id;
        e.position = farm.state.sceneCount;
    }
    farm.state.waitingForGo = offer == Offer::Nothing;
    pushFrame(farm.state, offer == Offer::FrameOfOtherScene ? 9 : 7, 5);
    farm.state.nodes[1].state = state;
    farm.state.nodes[1].sceneId = 7;
    writeText(fx.commandDir + "/ack1", ack);
    stepNode(farm, 1);
    for (const auto& [name, value] : kStateNames) {
        if (value == farm.state.nodes[1].state) {
            return name;
        }
    }
    return "?";
}

TEST(NodeStatesDoc, EveryRowLeadsExactlyToItsNextStates) {
    std::vector<Row> rows = tableRows();
    ASSERT_EQ(rows.size(), 11u);
    std::set<std::string> statesListed;
    for (const Row& row : rows) {
        statesListed.insert(row.state);
        std::string ack = row.word == "(any file)" ? "Offline" : row.word;
        std::set<std::string> reached;
        for (Offer offer : {Offer::Nothing, Offer::FrameOfOwnScene, Offer::FrameOfOtherScene}) {
            reached.insert(stateAfter(kStateNames.at(row.state), ack, offer));
        }
        EXPECT_EQ(reached, row.next) << row.state << " with " << row.word;
    }
    EXPECT_EQ(statesListed.size(), kStateNames.size());
}

TEST(NodeStatesDoc, AWordNoRowAwaitsLeavesTheStateAsItIs) {
    std::vector<Row> rows = tableRows();
    for (const auto& [name, state] : kStateNames) {
        for (const char* word : kWords) {
            bool awaited = false;
            for (const Row& row : rows) {
                awaited |= row.state == name && (row.word == word || row.word == "(any file)");
            }
            if (!awaited) {
                EXPECT_EQ(stateAfter(state, word, Offer::FrameOfOwnScene), name)
                    << name << " with " << word;
            }
        }
    }
}

}  // namespace

// The include graph of the product's sources, read from the tree: inside each folder the files
// include one another in one direction only, no file reaches another folder with "../", and Qt
// appears only in the window's folder and its main. The build itself refuses an include of a
// folder a library does not link; these are what the include paths cannot see.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kFolders = {"platform", "farm", "report", "settings", "queue",
                                           "engine",   "web",  "sim",    "ui",       "app"};

struct Include {
    std::string target;  // as written between the quotes or brackets
    bool quoted;
};

std::vector<Include> includesOf(const fs::path& file) {
    static const std::regex line(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<Include> found;
    std::ifstream in(file);
    std::smatch m;
    for (std::string text; std::getline(in, text);) {
        if (std::regex_search(text, m, line)) {
            found.push_back({m[2], m[1] == "\""});
        }
    }
    return found;
}

// Each source file of the folder by its name without extension ("supervisor"), with the names
// of the same folder's files it includes.
std::map<std::string, std::set<std::string>> folderGraph(const std::string& folder) {
    std::map<std::string, std::set<std::string>> graph;
    for (const auto& entry : fs::directory_iterator(fs::path(KESTRUN_SOURCE_DIR) / folder)) {
        std::string ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") {
            continue;
        }
        std::string self = entry.path().stem();
        auto& edges = graph[self];
        for (const Include& inc : includesOf(entry.path())) {
            std::string prefix = folder + "/";
            if (inc.quoted && inc.target.starts_with(prefix)) {
                std::string other = fs::path(inc.target).stem();
                if (other != self) {
                    edges.insert(other);
                }
            }
        }
    }
    return graph;
}

// A circle through the graph as "a -> b -> a", or empty when there is none.
std::string findCircle(const std::map<std::string, std::set<std::string>>& graph) {
    std::map<std::string, int> mark;  // 1 on the current path, 2 done
    std::vector<std::string> path;
    std::function<std::string(const std::string&)> visit = [&](const std::string& node) {
        mark[node] = 1;
        path.push_back(node);
        auto edges = graph.find(node);
        for (const std::string& next :
             edges == graph.end() ? std::set<std::string>{} : edges->second) {
            if (mark[next] == 1) {
                std::string circle;
                for (const std::string& p : path) {
                    circle += p + " -> ";
                }
                return circle + next;
            }
            if (mark[next] == 0) {
                if (std::string c = visit(next); !c.empty()) {
                    return c;
                }
            }
        }
        path.pop_back();
        mark[node] = 2;
        return std::string();
    };
    for (const auto& [node, edges] : graph) {
        if (mark[node] == 0) {
            if (std::string c = visit(node); !c.empty()) {
                return c;
            }
        }
    }
    return {};
}

TEST(IncludeGraph, NoFolderIncludesItsOwnFilesInACircle) {
    for (const std::string& folder : kFolders) {
        EXPECT_EQ(findCircle(folderGraph(folder)), "") << folder;
    }
    // The check sees a circle when there is one.
    EXPECT_NE(findCircle({{"a", {"b"}}, {"b", {"c"}}, {"c", {"a"}}}), "");
}

TEST(IncludeGraph, QtOnlyInTheWindowAndItsMainAndNoIncludeClimbsOutOfItsFolder) {
    static const std::regex qt(R"(^Q[A-Za-z]+$|^Qt[A-Za-z]+/)");
    for (const std::string& folder : kFolders) {
        for (const auto& entry : fs::directory_iterator(fs::path(KESTRUN_SOURCE_DIR) / folder)) {
            std::string name = folder + "/" + entry.path().filename().string();
            bool mayUseQt = folder == "ui" || name == "app/kestrun_main.cpp";
            for (const Include& inc : includesOf(entry.path())) {
                EXPECT_FALSE(inc.target.find("..") != std::string::npos)
                    << name << ": " << inc.target;
                if (!mayUseQt) {
                    EXPECT_FALSE(std::regex_search(inc.target, qt)) << name << ": " << inc.target;
                }
            }
        }
    }
}

}  // namespace

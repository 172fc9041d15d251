// Both directions of the path map between the nodes' paths and this machine's.
#include "settings/path_map.h"

#include <gtest/gtest.h>

#include "farm/farm_settings.h"

namespace {

struct MapCase {
    const char* name;
    std::vector<PathMapping> map;
    std::string in;
    std::string out;
};

FarmSettings withMap(const std::vector<PathMapping>& map) {
    FarmSettings s;
    s.pathMap = map;
    return s;
}

const std::vector<PathMapping> kDrive = {{"Q:\\", "/srv/farm"}};

TEST(NodeToLocal, ReplacesTheFirstMatchingNodePrefix) {
    const std::vector<MapCase> cases = {
        {"drive root", kDrive, "Q:\\renders\\shot", "/srv/farm/renders/shot"},
        {"case folded", kDrive, "q:\\Renders\\Shot", "/srv/farm/Renders/Shot"},
        {"slash written for backslash", kDrive, "Q:/renders/shot", "/srv/farm/renders/shot"},
        {"pair written with a slash", {{"q:/", "/srv/farm"}}, "Q:\\a", "/srv/farm/a"},
        {"pair without a separator", {{"Q:", "/srv/farm"}}, "Q:\\a\\b", "/srv/farm/a/b"},
        {"local path ending in a slash", {{"Q:\\", "/srv/farm/"}}, "Q:\\a", "/srv/farm/a"},
        {"the prefix alone", {{"Q:\\renders", "/srv/r"}}, "q:\\RENDERS", "/srv/r"},
        {"root as local path", {{"Q:\\", "/"}}, "Q:\\renders", "/renders"},
        {"share",
         {{"\\\\server\\share\\", "/mnt/share"}},
         "\\\\SERVER\\Share\\shot\\a",
         "/mnt/share/shot/a"},
        {"share not matched by a longer share name",
         {{"\\\\server\\share", "/mnt/share"}},
         "\\\\server\\shared\\a",
         "\\\\server\\shared\\a"},
        {"first pair wins over a longer later one",
         {{"Q:\\", "/srv/farm"}, {"Q:\\renders", "/fast"}},
         "Q:\\renders\\a",
         "/srv/farm/renders/a"},
        {"longer pair first wins",
         {{"Q:\\renders", "/fast"}, {"Q:\\", "/srv/farm"}},
         "Q:\\renders\\a",
         "/fast/a"},
        {"shorter pair still serves the rest",
         {{"Q:\\renders", "/fast"}, {"Q:\\", "/srv/farm"}},
         "Q:\\content\\a",
         "/srv/farm/content/a"},
        {"unix node path", {{"/mnt/farm", "/srv/farm"}}, "/mnt/farm/a\\b", "/srv/farm/a/b"},
        {"pair with an empty local side is ignored", {{"Q:\\", ""}, {"q:", "/x"}}, "Q:\\a", "/x/a"},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nodeToLocal(withMap(c.map), c.in), c.out);
    }
}

// With no pair for it, a Windows drive or share path comes back as written, so the caller can
// name what is missing; every other path only has its backslashes turned.
TEST(NodeToLocal, UnmatchedPaths) {
    const std::vector<MapCase> cases = {
        {"no map, drive", {}, "C:\\Out\\shot", "C:\\Out\\shot"},
        {"no map, share", {}, "\\\\server\\share\\shot", "\\\\server\\share\\shot"},
        {"no map, relative", {}, "Renders\\shot", "Renders/shot"},
        {"no map, local", {}, "/srv/content/Renders\\shot", "/srv/content/Renders/shot"},
        {"other drive", kDrive, "R:\\renders", "R:\\renders"},
        {"a pair ending inside a folder name", {{"Q:\\re", "/x"}}, "Q:\\renders", "Q:\\renders"},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nodeToLocal(withMap(c.map), c.in), c.out);
    }
}

TEST(LocalToNode, ReplacesTheFirstMatchingLocalPrefix) {
    const std::vector<MapCase> cases = {
        {"drive", kDrive, "/srv/farm/queue/shot1.lws", "Q:\\queue\\shot1.lws"},
        {"drive without a separator", {{"Q:", "/srv/farm"}}, "/srv/farm/q/a.lws", "Q:\\q\\a.lws"},
        {"local path ending in a slash", {{"Q:\\", "/srv/farm/"}}, "/srv/farm/q/a", "Q:\\q\\a"},
        {"the prefix alone", kDrive, "/srv/farm", "Q:\\"},
        {"share",
         {{"\\\\server\\share", "/mnt/share"}},
         "/mnt/share/queue/a.lws",
         "\\\\server\\share\\queue\\a.lws"},
        {"not a folder boundary", kDrive, "/srv/farmhouse/a.lws", "/srv/farmhouse/a.lws"},
        {"case matters here", kDrive, "/SRV/farm/a.lws", "/SRV/farm/a.lws"},
        {"unix node path keeps slashes",
         {{"/mnt/farm", "/srv/farm"}},
         "/srv/farm/q/a.lws",
         "/mnt/farm/q/a.lws"},
        {"first pair wins",
         {{"P:\\", "/srv"}, {"Q:\\", "/srv/farm"}},
         "/srv/farm/a",
         "P:\\farm\\a"},
        {"longer pair first", {{"Q:\\", "/srv/farm"}, {"P:\\", "/srv"}}, "/srv/farm/a", "Q:\\a"},
        {"shorter pair for the rest",
         {{"Q:\\", "/srv/farm"}, {"P:\\", "/srv"}},
         "/srv/other/a",
         "P:\\other\\a"},
        {"no map", {}, "/srv/farm/queue/a.lws", "/srv/farm/queue/a.lws"},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(localToNode(withMap(c.map), c.in), c.out);
    }
}

// What the farm writes for a node and what it reads back from the node's scene meet again.
TEST(PathMap, ALoadPathMappedToTheNodesAndBackIsTheSameFile) {
    FarmSettings s = withMap({{"\\\\server\\share\\", "/mnt/share"}, {"Q:\\", "/srv/farm"}});
    for (const char* local : {"/srv/farm/queue/a.lws", "/mnt/share/x/y.lws"}) {
        EXPECT_EQ(nodeToLocal(s, localToNode(s, local)), local);
    }
}

}  // namespace

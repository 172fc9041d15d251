#include "sim/path_map.h"

#include <gtest/gtest.h>

namespace {

struct LocalCase {
    const char* name;
    sim::PathMap map;
    const char* nodePath;
    const char* local;
};

TEST(PathMap, NodePathsBecomeLocal) {
    const sim::PathMap share = {{"Q:\\", "/srv/farm/"}};
    const LocalCase cases[] = {
        {"drive share", share, "Q:\\queue\\shot1.lws", "/srv/farm/queue/shot1.lws"},
        {"letters without case", share, "q:\\Queue\\a.lws", "/srv/farm/Queue/a.lws"},
        {"forward slashes match backslashes", share, "Q:/queue/a.lws", "/srv/farm/queue/a.lws"},
        {"first matching pair wins",
         {{"Q:\\", "/first/"}, {"Q:\\renders\\", "/second/"}},
         "Q:\\renders\\a",
         "/first/renders/a"},
        {"longer prefix listed first wins",
         {{"Q:\\renders\\", "/second/"}, {"Q:\\", "/first/"}},
         "Q:\\renders\\a",
         "/second/a"},
        {"unc share",
         {{"\\\\server\\share\\", "/mnt/share/"}},
         "\\\\SERVER\\share\\x\\y",
         "/mnt/share/x/y"},
        {"no trailing separator on the local side",
         {{"Q:\\", "/srv/farm"}},
         "Q:\\queue\\a",
         "/srv/farm/queue/a"},
        {"no trailing separator on either side",
         {{"Q:", "/srv/farm"}},
         "Q:\\queue\\a",
         "/srv/farm/queue/a"},
        {"no pair matches: backslashes still turn", share, "R:\\queue\\a", "R:/queue/a"},
        {"empty map leaves a local path alone",
         {},
         "/srv/farm/queue/a.lws",
         "/srv/farm/queue/a.lws"},
        {"node path longer than the path", {{"Q:\\queue\\deep\\", "/x/"}}, "Q:\\queue", "Q:/queue"},
    };
    for (const LocalCase& c : cases) {
        EXPECT_EQ(sim::toLocalPath(c.map, c.nodePath), c.local) << c.name;
    }
}

struct PrefixCase {
    const char* name;
    sim::PathMap map;
    const char* contentDir;
    const char* prefix;
    const char* resolved;
};

TEST(PathMap, SavePrefixesResolveAgainstTheContentFolder) {
    const sim::PathMap share = {{"Q:\\", "/srv/farm/"}};
    const PrefixCase cases[] = {
        {"relative joins the content folder",
         {},
         "/data/content",
         "Images/shot",
         "/data/content/Images/shot"},
        {"content folder with its own separator",
         {},
         "/data/content/",
         "Images/shot",
         "/data/content/Images/shot"},
        {"leading backslash dropped",
         {},
         "/data/content",
         "\\Images\\shot",
         "/data/content/Images/shot"},
        {"absolute local prefix as it stands", {}, "/data/content", "/out/shot", "/out/shot"},
        {"drive prefix mapped", share, "/data/content", "Q:\\renders\\shot",
         "/srv/farm/renders/shot"},
        {"relative to a node-side content folder", share, "Q:\\content", "Renders\\shot",
         "/srv/farm/content/Renders/shot"},
        {"unc prefix mapped",
         {{"\\\\srv\\share\\", "/mnt/s/"}},
         "/c",
         "\\\\srv\\share\\r\\a.",
         "/mnt/s/r/a."},
    };
    for (const PrefixCase& c : cases) {
        EXPECT_EQ(sim::resolveSavePrefix(c.map, c.contentDir, c.prefix), c.resolved) << c.name;
    }
}

}  // namespace

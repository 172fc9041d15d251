// The load command of a farm with a path map names the scene the way the nodes see it.
#include "engine/scheduler.h"

#include "engine_test.h"

namespace {

using MappedLoad = EngineTest;

TEST_F(MappedLoad, TheLoadCommandNamesTheSceneInTheNodesTerms) {
    struct Row {
        const char* name;
        std::vector<PathMapping> map;  // "@" in a local path stands for the fixture's folder
        std::string job;
    };
    const std::vector<Row> rows = {
        {"drive", {{"Q:\\", "@"}}, "load Q:\\queue\\scene7.lws"},
        {"share", {{"\\\\server\\share\\", "@/"}}, "load \\\\server\\share\\queue\\scene7.lws"},
        {"pair for the queue folder itself",
         {{"Q:\\jobs", "@/queue"}},
         "load Q:\\jobs\\scene7.lws"},
        {"unix nodes", {{"/mnt/farm", "@"}}, "load /mnt/farm/queue/scene7.lws"},
        {"no pair covers the queue folder", {{"Q:\\", "@/queue2"}}, "load @/queue/scene7.lws"},
        {"no map", {}, "load @/queue/scene7.lws"},
    };
    queueScene(7, 1, 9);
    auto here = [&](std::string text) {
        for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@')) {
            text.replace(at, 1, fx.dir.path());
        }
        return text;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        farm.settings.pathMap.clear();
        for (const PathMapping& m : row.map) {
            farm.settings.pathMap.push_back({m.nodePath, here(m.localPath)});
        }
        loadScene(farm, 2, 7);
        EXPECT_EQ(job(2), here(row.job));
    }
    // The log names the scene by its file name only, mapped or not.
    EXPECT_EQ(logCount("Assigned file scene7.lws to PC_2"), static_cast<int>(rows.size()));
}

}  // namespace

#include "queue/save_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "farm/farm_settings.h"

namespace {

TEST(LocalScenePath, ResolvesAgainstTheContentFolder) {
    struct Row {
        const char* name;
        std::string content, path;
        std::string local;  // empty: no mapping, failure below
        std::string failure;
    };
    const std::vector<Row> rows = {
        {"relative", "/srv/content", "Images/shot", "/srv/content/Images/shot", ""},
        {"leading backslash", "/srv/content", "\\Images\\shot", "/srv/content/Images/shot", ""},
        {"content ends in slash", "/srv/content/", "Images\\shot", "/srv/content/Images/shot", ""},
        {"absolute", "/srv/content", "/Images/shot", "/Images/shot", ""},
        {"drive letter", "/srv/content", "C:\\Out\\shot", "", "No path mapping for C:\\"},
        {"drive as written", "/srv/content", "d:/out/shot", "", "No path mapping for d:\\"},
        {"share", "/srv/content", "\\\\server\\share\\shot", "",
         "No path mapping for \\\\server\\share"},
        {"windows content folder", "D:\\Content", "Images\\shot", "", "No path mapping for D:\\"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FarmSettings settings;
        settings.ContentDirectory = row.content;
        std::string local, failure;
        EXPECT_EQ(localScenePath(settings, row.path, local, failure), row.failure.empty());
        EXPECT_EQ(local, row.local);
        EXPECT_EQ(failure, row.failure);
    }
}

}  // namespace

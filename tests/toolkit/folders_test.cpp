// The runtime folder: beside the executable when it can be made and written, else the per-user
// folder, else none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/folders.h"
#include "toolkit/folders.h"

namespace yt {
namespace {

namespace fs = std::filesystem;

TEST(FoldersTest, RuntimeFolderFallsBackWhenTheExecutablesFolderCannotBeWritten) {
    const fs::path root = fs::temp_directory_path() / "tintel-folders-test";
    fs::remove_all(root);
    fs::create_directories(root);
    // A path under a plain file can never be created, whoever runs the test.
    std::ofstream(root / "file") << "x";
    const std::string blocked = (root / "file" / "runtime").string();
    const std::string beside = (root / "app" / "runtime").string();
    const std::string perUser = (root / "user" / "tintel" / "runtime").string();

    const struct {
        std::string beside, perUser, chosen;
    } cases[] = {
        {beside, perUser, beside},
        {blocked, perUser, perUser},
        {blocked, (root / "file" / "user").string(), ""},
        {"", perUser, perUser},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseWritableFolder(c.beside, c.perUser), c.chosen) << c.beside;
        if (!c.chosen.empty()) {
            EXPECT_TRUE(fs::is_directory(c.chosen));
            EXPECT_TRUE(fs::is_empty(c.chosen)) << "the write probe is removed";
        }
    }

    // The program's own choice: a test executable's folder is a build tree, so writable.
    const std::string runtime = RuntimeFolder();
    EXPECT_EQ(fs::path(runtime).filename(), "runtime");
    EXPECT_TRUE(fs::is_directory(runtime));
    EXPECT_EQ(fs::path(ResourceFolder()).filename(), "res");
    EXPECT_EQ(fs::path(runtime).parent_path(), fs::path(ResourceFolder()).parent_path());

    // The per-user folder's shape on each platform.
    const std::string user = platform::userRuntimeFolder("tintel");
    if (std::string(TINTEL_PLATFORM) == "win32")
        EXPECT_NE(user.find("\\Brisbel\\tintel\\runtime"), std::string::npos) << user;
    else
        EXPECT_NE(user.find("/tintel/runtime"), std::string::npos) << user;
    fs::remove_all(root);
}

}  // namespace
}  // namespace yt

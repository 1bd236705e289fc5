#include "platform/ProgramDirectory.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/TempDir.h"

namespace {

// Sets environment variables for one test and puts the previous values back.
class CEnvironment {
public:
    ~CEnvironment() {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    void Set(const std::string& name, const char* value) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) {
            setenv(name.c_str(), value, 1);
        } else {
            unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST(ProgramDirectory, dataloggerHomeComesFirstThenXdgThenHome) {
    CEnvironment env;
    env.Set("DATALOGGER_HOME", "/d/home");
    env.Set("XDG_CONFIG_HOME", "/x/config");
    env.Set("HOME", "/h");
    EXPECT_EQ(ProgramDirectory(), "/d/home");
    env.Set("DATALOGGER_HOME", "");
    EXPECT_EQ(ProgramDirectory(), "/x/config/datalogger");
    env.Set("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(ProgramDirectory(), "/h/.config/datalogger");
}

// A relative folder would depend on where the program was started: it counts as unset.
TEST(ProgramDirectory, relativeXdgConfigHomeOrHomeIsIgnored) {
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const auto ofUser = std::filesystem::path(user->pw_dir) / ".config" / "datalogger";
    const struct {
        const char* Xdg;
        const char* Home;
        std::filesystem::path Expected;
    } cases[] = {{"config", "/h", "/h/.config/datalogger"},
                 {"./config", nullptr, ofUser},
                 {nullptr, "home", ofUser},
                 {"config", "../home", ofUser},
                 {"/x", "home", "/x/datalogger"}};
    for (const auto& c : cases) {
        CEnvironment env;
        env.Set("DATALOGGER_HOME", nullptr);
        env.Set("XDG_CONFIG_HOME", c.Xdg);
        env.Set("HOME", c.Home);
        EXPECT_EQ(ProgramDirectory(), c.Expected) << (c.Xdg ? c.Xdg : "-") << ", "
                                                  << (c.Home ? c.Home : "-");
    }
}

TEST(ProgramDirectory, withoutHomeTheUsersHomeFolderStillHoldsIt) {
    CEnvironment env;
    env.Set("DATALOGGER_HOME", nullptr);
    env.Set("XDG_CONFIG_HOME", nullptr);
    env.Set("HOME", nullptr);
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(ProgramDirectory(), std::filesystem::path(user->pw_dir) / ".config" / "datalogger");
}

TEST(ProgramDirectory, fileLookupCreatesTheDirectory) {
    CTempDir dir;
    CEnvironment env;
    env.Set("DATALOGGER_HOME", (dir / "a" / "b").c_str());
    const auto file = ProgramFile("BRANTEL.ini");
    ASSERT_TRUE(file);
    EXPECT_EQ(*file, dir / "a" / "b" / "BRANTEL.ini");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a" / "b"));
}

TEST(ProgramDirectory, aFileInTheWayGivesNoPath) {
    CTempDir dir;
    std::ofstream(dir / "occupied") << "x";
    CEnvironment env;
    env.Set("DATALOGGER_HOME", (dir / "occupied").c_str());
    EXPECT_FALSE(ProgramFile("PreMeasure.sound"));
}

}  // namespace

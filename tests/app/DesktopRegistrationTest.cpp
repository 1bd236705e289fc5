#include "app/DesktopRegistration.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "tests/TempDir.h"

namespace {

QString Read(const std::filesystem::path& file) {
    QFile in(QString::fromStdString(file.string()));
    return in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
}

// Each test gets a data directory of its own.
class DesktopRegistration : public ::testing::Test {
protected:
    void SetUp() override {
        m_previous = std::getenv("XDG_DATA_HOME");
        setenv("XDG_DATA_HOME", m_home.Path().c_str(), 1);
    }
    void TearDown() override { setenv("XDG_DATA_HOME", m_previous.c_str(), 1); }

    CTempDir m_home;
    std::string m_previous;
    std::filesystem::path m_mime = m_home / "mime/packages/datalogger.xml";
    std::filesystem::path m_entry = m_home / "applications/datalogger.desktop";
    std::filesystem::path m_icon = m_home / "icons/hicolor/128x128/apps/datalogger.png";
};

TEST_F(DesktopRegistration, firstStart_writesTheTypeTheEntryAndTheIcon) {
    const CRegistrationResult result = RegisterSoundFileType("/opt/datalogger/bin/datalogger");
    EXPECT_TRUE(result.MimeTypeWritten);
    EXPECT_TRUE(result.DesktopEntryWritten);
    EXPECT_TRUE(result.IconWritten);

    const QString mime = Read(m_mime);
    EXPECT_TRUE(mime.contains(R"(<mime-type type="application/x-datalogger-sound">)"));
    EXPECT_TRUE(mime.contains("<comment>Datalogger Document</comment>"));
    EXPECT_TRUE(mime.contains(R"(<glob pattern="*.sound"/>)"));

    const QString entry = Read(m_entry);
    EXPECT_TRUE(entry.contains("\nExec=/opt/datalogger/bin/datalogger %f\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-datalogger-sound;\n"));
    EXPECT_GT(std::filesystem::file_size(m_icon), 0u);
}

TEST_F(DesktopRegistration, laterStarts_writeOnlyWhatIsMissingOrDifferent) {
    RegisterSoundFileType("/opt/datalogger/bin/datalogger");
    const CRegistrationResult same = RegisterSoundFileType("/opt/datalogger/bin/datalogger");
    EXPECT_FALSE(same.MimeTypeWritten || same.DesktopEntryWritten || same.IconWritten);

    // Moved to a prefix of no installed package: whatever this machine has in /usr/local.
    std::filesystem::remove(m_icon);
    const std::string program = (m_home / "moved/bin/datalogger").string();
    const CRegistrationResult moved = RegisterSoundFileType(QString::fromStdString(program));
    EXPECT_FALSE(moved.MimeTypeWritten);
    EXPECT_TRUE(moved.DesktopEntryWritten);
    EXPECT_TRUE(moved.IconWritten);
    EXPECT_TRUE(Read(m_entry).contains(QString::fromStdString("\nExec=" + program + " %f\n")));
}

TEST_F(DesktopRegistration, theDesktopKnowsTheTypeAfterwards) {
    if (QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        GTEST_SKIP() << "update-mime-database is not installed";
    }
    RegisterSoundFileType("/opt/datalogger/bin/datalogger");
    EXPECT_TRUE(Read(m_home / "mime/globs2").contains("application/x-datalogger-sound:*.sound"));
}

TEST_F(DesktopRegistration, theEntryPassesTheDesktopValidator) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
    RegisterSoundFileType("/home/a user/my $tools/datalogger");
    QProcess check;
    check.start(validator, {QString::fromStdString(m_entry.string())});
    ASSERT_TRUE(check.waitForFinished());
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
}

TEST_F(DesktopRegistration, anUnwritableDataDirectory_isIgnored) {
    const std::filesystem::path blocker = m_home / "file";
    std::ofstream(blocker) << "not a directory";
    setenv("XDG_DATA_HOME", blocker.c_str(), 1);
    const CRegistrationResult result = RegisterSoundFileType("/opt/datalogger/bin/datalogger");
    EXPECT_FALSE(result.MimeTypeWritten || result.DesktopEntryWritten || result.IconWritten);
}

// A program installed under a prefix of its own, with the files `cmake --install` puts
// beside it.
struct CInstalledPrefix {
    bool DesktopEntry;
    bool MimeType;
    bool AmongSystemDataDirs;  // the desktop reads <prefix>/share
};

class InstalledProgram : public DesktopRegistration {
protected:
    void SetUp() override {
        DesktopRegistration::SetUp();
        if (const char* dataDirs = std::getenv("XDG_DATA_DIRS")) {
            m_previousDataDirs = dataDirs;
        }
    }
    void TearDown() override {
        if (m_previousDataDirs) {
            setenv("XDG_DATA_DIRS", m_previousDataDirs->c_str(), 1);
        } else {
            unsetenv("XDG_DATA_DIRS");
        }
        DesktopRegistration::TearDown();
    }

    // The program's path in a prefix laid out as `prefix` says.
    QString Install(const CInstalledPrefix& prefix) {
        const std::filesystem::path share = m_prefix / "share";
        std::filesystem::create_directories(m_prefix / "bin");
        if (prefix.DesktopEntry) {
            std::filesystem::create_directories(share / "applications");
            std::ofstream(share / "applications/datalogger.desktop") << "[Desktop Entry]\n";
        }
        if (prefix.MimeType) {
            std::filesystem::create_directories(share / "mime/packages");
            std::ofstream(share / "mime/packages/datalogger.xml") << "<mime-info/>\n";
        }
        const std::string systemDirs = "/usr/share";
        setenv("XDG_DATA_DIRS",
               (prefix.AmongSystemDataDirs ? share.string() + ":" + systemDirs : systemDirs).c_str(),
               1);
        return QString::fromStdString((m_prefix / "bin/datalogger").string());
    }

    CTempDir m_prefix;
    std::optional<std::string> m_previousDataDirs;
};

TEST_F(InstalledProgram, defersToTheInstalledFilesOnlyWhenTheDesktopReadsBoth) {
    struct Case {
        const char* name;
        CInstalledPrefix prefix;
        bool defers;
    };
    const Case cases[] = {
        {"a prefix the desktop reads", {true, true, true}, true},
        {"a prefix the desktop does not read", {true, true, false}, false},
        {"no desktop entry installed", {false, true, true}, false},
        {"no MIME type installed", {true, false, true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(m_home.Path() / "mime");
        std::filesystem::remove_all(m_home.Path() / "applications");
        std::filesystem::remove_all(m_prefix.Path() / "share");
        const CRegistrationResult result = RegisterSoundFileType(Install(c.prefix));
        EXPECT_EQ(result.DeferredToInstalled, c.defers);
        EXPECT_EQ(std::filesystem::exists(m_mime), !c.defers);
        EXPECT_EQ(std::filesystem::exists(m_entry), !c.defers);
    }
}

TEST_F(InstalledProgram, removesWhatAnEarlierStartFromElsewhereWrote) {
    RegisterSoundFileType("/home/user/datalogger/build/app/datalogger");
    ASSERT_TRUE(std::filesystem::exists(m_entry));

    const CRegistrationResult result = RegisterSoundFileType(Install({true, true, true}));
    EXPECT_TRUE(result.DeferredToInstalled);
    EXPECT_TRUE(result.EarlierRegistrationRemoved);
    EXPECT_FALSE(std::filesystem::exists(m_mime));
    EXPECT_FALSE(std::filesystem::exists(m_entry));
    EXPECT_FALSE(std::filesystem::exists(m_icon));
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        // The user's MIME database no longer names the type, so the installed one holds.
        EXPECT_FALSE(Read(m_home / "mime/globs2").contains("application/x-datalogger-sound"));
    }

    const CRegistrationResult again = RegisterSoundFileType(Install({true, true, true}));
    EXPECT_FALSE(again.EarlierRegistrationRemoved);
}

TEST(DesktopExecArgument, quotesAndEscapesWhatTheDesktopWouldSplitOrExpand) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/datalogger"), "/usr/bin/datalogger");
    EXPECT_EQ(DesktopExecArgument("/home/a user/datalogger"), "\"/home/a user/datalogger\"");
    EXPECT_EQ(DesktopExecArgument("/opt/100%/datalogger"), "/opt/100%%/datalogger");
    // "$" is escaped inside the quotes, and the escaping backslash is written twice.
    EXPECT_EQ(DesktopExecArgument("/opt/$x/datalogger"), "\"/opt/\\\\$x/datalogger\"");
}

}  // namespace

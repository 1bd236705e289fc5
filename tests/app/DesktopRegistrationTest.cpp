#include "app/DesktopRegistration.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
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

    std::filesystem::remove(m_icon);
    const CRegistrationResult moved = RegisterSoundFileType("/usr/local/bin/datalogger");
    EXPECT_FALSE(moved.MimeTypeWritten);
    EXPECT_TRUE(moved.DesktopEntryWritten);
    EXPECT_TRUE(moved.IconWritten);
    EXPECT_TRUE(Read(m_entry).contains("\nExec=/usr/local/bin/datalogger %f\n"));
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

TEST(DesktopExecArgument, quotesAndEscapesWhatTheDesktopWouldSplitOrExpand) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/datalogger"), "/usr/bin/datalogger");
    EXPECT_EQ(DesktopExecArgument("/home/a user/datalogger"), "\"/home/a user/datalogger\"");
    EXPECT_EQ(DesktopExecArgument("/opt/100%/datalogger"), "/opt/100%%/datalogger");
    // "$" is escaped inside the quotes, and the escaping backslash is written twice.
    EXPECT_EQ(DesktopExecArgument("/opt/$x/datalogger"), "\"/opt/\\\\$x/datalogger\"");
}

}  // namespace

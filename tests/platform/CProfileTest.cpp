#include "platform/CProfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/FileText.h"
#include "tests/TempDir.h"

namespace {

void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

class ProfileTest : public ::testing::Test {
protected:
    CTempDir m_dir;
    std::filesystem::path m_file = m_dir / "BRANTEL.ini";
};

TEST_F(ProfileTest, missingFile_givesEveryDefault) {
    const CProfile profile(m_file);
    EXPECT_EQ(profile.GetInt("SAMPRATEINFO", "SAMPRATE", 2), 2);
    EXPECT_EQ(profile.GetString("ALARMInfo", "TEMPHI", "130"), "130");
}

// A named pipe in the file's place reads as no file, at once, instead of waiting for a writer
// (the alarm ends a test that waits).
TEST_F(ProfileTest, namedPipe_givesEveryDefaultWithoutWaiting) {
    ASSERT_EQ(mkfifo(m_file.c_str(), 0666), 0);
    alarm(10);
    const CProfile profile(m_file);
    alarm(0);
    EXPECT_EQ(profile.GetInt("SAMPRATEINFO", "SAMPRATE", 2), 2);
}

TEST_F(ProfileTest, sectionsAndKeys_matchWithoutRegardToCase) {
    WriteText(m_file, "[samprateinfo]\r\nsamprate=5\r\n[ALARMINFO]\r\nTempHi=120\r\n");
    const CProfile profile(m_file);
    EXPECT_EQ(profile.GetInt("SAMPRATEINFO", "SAMPRATE", 2), 5);
    EXPECT_EQ(profile.GetString("ALARMInfo", "TEMPHI", "130"), "120");
    EXPECT_EQ(profile.GetString("ALARMInfo", "TEMPLOW", "30"), "30");
    // A key of another section is not found.
    EXPECT_EQ(profile.GetInt("ALARMInfo", "SAMPRATE", 7), 7);
}

TEST_F(ProfileTest, integers_areTheLeadingDecimalNumber) {
    WriteText(m_file,
              "[S]\nplain=42\nblanks=  -17  \ntrailing=12abc\nletters=abc\nempty=\n"
              "plus=+8\nhuge=99999999999\nspaced = 3\n");
    const CProfile profile(m_file);
    EXPECT_EQ(profile.GetInt("S", "plain", 0), 42);
    EXPECT_EQ(profile.GetInt("S", "blanks", 0), -17);
    EXPECT_EQ(profile.GetInt("S", "trailing", 0), 12);
    EXPECT_EQ(profile.GetInt("S", "letters", 5), 0);
    EXPECT_EQ(profile.GetInt("S", "empty", 5), 5);  // an empty value reads as missing
    EXPECT_EQ(profile.GetInt("S", "plus", 0), 8);
    EXPECT_EQ(profile.GetInt("S", "huge", 0), INT_MAX);
    EXPECT_EQ(profile.GetInt("S", "spaced", 0), 3);
}

TEST_F(ProfileTest, strings_areTrimmedAndLoseOnePairOfQuotes) {
    WriteText(m_file, "[S]\nname =  some text  \nquoted=\"  kept  \"\nempty=\n; note=1\n");
    const CProfile profile(m_file);
    EXPECT_EQ(profile.GetString("S", "name", ""), "some text");
    EXPECT_EQ(profile.GetString("S", "quoted", ""), "  kept  ");
    // A key that is present with no value is an empty text, not the default.
    EXPECT_EQ(profile.GetString("S", "empty", "default"), "");
    // A comment is no key.
    EXPECT_EQ(profile.GetString("S", "; note", "none"), "none");
}

TEST_F(ProfileTest, save_keepsCommentsBlankLinesAndOtherKeys) {
    WriteText(m_file,
              "; written by hand\r\n[Other]\r\nkeep=yes\r\n\r\n[S]\r\n; about a\r\nA=1\r\n"
              "\r\n[Last]\r\nz=9\r\n");
    CProfile profile(m_file);
    profile.SetInt("s", "a", 2);           // replaced where it stands, with its own spelling
    profile.SetString("S", "b", "new");    // added after the last key of its section
    profile.SetString("Fresh", "c", "3");  // a new section at the end
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadFileText(m_file),
              "; written by hand\r\n[Other]\r\nkeep=yes\r\n\r\n[S]\r\n; about a\r\nA=2\r\n"
              "b=new\r\n\r\n[Last]\r\nz=9\r\n[Fresh]\r\nc=3\r\n");
    const CProfile again(m_file);
    EXPECT_EQ(again.GetInt("S", "A", 0), 2);
    EXPECT_EQ(again.GetString("S", "B", ""), "new");
    EXPECT_EQ(again.GetString("other", "KEEP", ""), "yes");
}

TEST_F(ProfileTest, aUtf8MarkAheadOfTheFirstSectionIsKeptOutOfItsName) {
    WriteText(m_file, "\xEF\xBB\xBF[SAMPRATEINFO]\r\nSAMPRATE=5\r\n");
    CProfile profile(m_file);
    EXPECT_EQ(profile.GetInt("SAMPRATEINFO", "SAMPRATE", 2), 5);
    profile.SetInt("SAMPRATEINFO", "SAMPRATE", 6);
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadFileText(m_file), "\xEF\xBB\xBF[SAMPRATEINFO]\r\nSAMPRATE=6\r\n");
}

TEST_F(ProfileTest, save_createsTheFileAndLeavesNoTemporaryBehind) {
    CProfile profile(m_file);
    profile.SetInt("S", "k", 7);
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(ReadFileText(m_file), "[S]\r\nk=7\r\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileTest, save_intoAMissingFolderFailsAndWritesNothing) {
    CProfile profile(m_dir / "missing" / "BRANTEL.ini");
    profile.SetInt("S", "k", 7);
    EXPECT_FALSE(profile.Save());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));
}

TEST(LeadingIntegerTest, readsSignAndDigitsOnly) {
    EXPECT_EQ(LeadingInteger(" 20 "), 20);
    EXPECT_EQ(LeadingInteger("-5dB"), -5);
    EXPECT_EQ(LeadingInteger("1.9"), 1);
    EXPECT_EQ(LeadingInteger("- 5"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("-99999999999"), INT_MIN);
}

}  // namespace

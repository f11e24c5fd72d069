// The settings store on QSettings: what is written, where, and what reads back.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "platform/settings.h"
#include "tests/linux/ui/test_support.h"

namespace {

class SettingsStore : public testing::Test {
  protected:
    void SetUp() override { uitest::RemoveSettings(); }
};

TEST_F(SettingsStore, WritesTheFourValuesAsPlainDecimalTextUnderTheValueGroup) {
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Devies", "-1"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Tools", "0"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "100"));
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Stage", "11"));

    const QString expectedPath =
        qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Clavitap/Clavitap.conf");
    EXPECT_EQ(uitest::ReadTextFile(expectedPath).toStdString(),
              "[Value]\nDevies=-1\nStage=11\nTools=0\nVol=100\n");

    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Devies", "0"), "-1");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Tools", "5"), "0");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "5"), "100");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Stage", "5"), "11");
}

TEST_F(SettingsStore, AnAbsentFileSectionOrKeyReadsAsTheDefault) {
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "100");
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "7"));
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Stage", "0"), "0");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Other", "Vol", "42"), "42");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "vol", "42"), "42")
        << "keys are spelled exactly";
}

TEST_F(SettingsStore, KeepsTextThatIsNotANumberAndReplacesEarlierValues) {
    ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", "abc"));
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "abc");
    EXPECT_TRUE(uitest::ReadTextFile(uitest::ConfigFile()).contains(QStringLiteral("Vol=abc\n")));

    for (const char* text : {"1,2", " 12 ", "@Variant(x)", "", "-32769", "a=b;c"}) {
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", text));
        EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), text);
    }
}

TEST_F(SettingsStore, ReadsAHandEditedListBackAsItsText) {
    QDir().mkpath(QFileInfo(uitest::ConfigFile()).path());
    QFile file(uitest::ConfigFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Value]\nVol=1,2\n");
    file.close();
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "1,2");
}

// A file as some editors write it (a byte-order mark, CR LF): read as written, and saved without
// a word of failure; a removed key reads as absent and the rest stays.
TEST_F(SettingsStore, AByteOrderMarkIsNoFailureAndARemovedKeyReadsAsAbsent) {
    QDir().mkpath(QFileInfo(uitest::ConfigFile()).path());
    QFile file(uitest::ConfigFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF[Value]\r\nVol=60\r\nStage=2\r\n");
    file.close();
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "60");
    EXPECT_TRUE(platform::SaveSetting("Clavitap", "Value", "Tools", "3"));
    EXPECT_TRUE(platform::DeleteSetting("Clavitap", "Value", "Vol"));
    EXPECT_TRUE(platform::DeleteSetting("Clavitap", "Value", "Vol")) << "an absent key";
    EXPECT_EQ(uitest::ReadTextFile(uitest::ConfigFile()).toStdString(),
              "[Value]\nStage=2\nTools=3\n");
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "100");
    EXPECT_EQ(QDir(QFileInfo(uitest::ConfigFile()).path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Clavitap.conf")})
        << "a new file was left beside it";
}

// Whatever stands where the file should be, reading gives the defaults at once (a FIFO would
// block a reader forever) and a refused write names the file and the reason.
TEST_F(SettingsStore, SomethingElseThanAFileReadsAsAbsentAndARefusedWriteSaysWhy) {
    const QString file = uitest::ConfigFile();
    const QString folder = QFileInfo(file).path();
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(mkfifo(file.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(platform::GetSetting("Clavitap", "Value", "Vol", "100"), "100");
    EXPECT_FALSE(platform::SaveSetting("Clavitap", "Value", "Vol", "7"));
    EXPECT_EQ(platform::SettingsWriteFailure("Clavitap"),
              "Clavitap could not save your choices to " + file.toStdString() +
                  ": it is not a regular file. The settings saved before stay as they were.");
    EXPECT_FALSE(QFileInfo(file).isFile()) << "the FIFO was replaced";
    ASSERT_TRUE(QFile::remove(file));

    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_FALSE(platform::SaveSetting("Clavitap", "Value", "Vol", "7"));
    EXPECT_NE(platform::SettingsWriteFailure("Clavitap").find(": it is a folder, not a file."),
              std::string::npos);
    ASSERT_TRUE(QDir(file).removeRecursively());

    // A regular file where the settings folder should be: no folder can be made beneath it.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(platform::SaveSetting("Clavitap", "Value", "Vol", "7"));
    EXPECT_NE(platform::SettingsWriteFailure("Clavitap").find(": its folder cannot be made."),
              std::string::npos);
    QFile::remove(folder);
}

}  // namespace

// The settings store on QSettings: what is written, where, and what reads back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "platform/settings.h"
#include "test_support.h"

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

TEST_F(SettingsStore, ReportsAWriteThatCannotReachTheDisk) {
    // A regular file where the settings folder should be: no folder can be made beneath it.
    const QString blocker = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker);
    const bool saved = platform::SaveSetting("Clavitap", "Value", "Vol", "100");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       qEnvironmentVariable("XDG_CONFIG_HOME"));
    QFile::remove(blocker);
    EXPECT_FALSE(saved);
}

}  // namespace

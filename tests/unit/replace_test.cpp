#include <gtest/gtest.h>

#include <string>

#include "replace/replace_rules.h"

namespace {

// Shift-JIS: the lead bytes of double-byte characters.
bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string Backup(const std::string& target, size_t size = 260, LeadBytePredicate lead = nullptr) {
    std::string buffer(size, '#');
    if (!BackupPath(target.c_str(), &buffer[0], size, lead)) {
        EXPECT_EQ(size == 0 ? '#' : buffer[0], size == 0 ? '#' : '\0') << target;
        return "<none>";
    }
    return buffer.c_str();
}

TEST(PayloadVersion, NewerDecidedByMajorMinorPatch) {
    // The installed file's (major, minor, patch) against the carried 1.20.0.
    EXPECT_FALSE(IsNewerThanPayload(1, 20, 0));
    EXPECT_FALSE(IsNewerThanPayload(1, 5, 0));
    EXPECT_FALSE(IsNewerThanPayload(1, 19, 300)); // packs above 0x11400 but is older
    EXPECT_FALSE(IsNewerThanPayload(0, 0, 0));    // no version information
    EXPECT_FALSE(IsNewerThanPayload(0, 255, 255));
    EXPECT_TRUE(IsNewerThanPayload(2, 0, 0));  // "2.0" packs to 0x200
    EXPECT_TRUE(IsNewerThanPayload(1, 21, 0)); // "1.21" packs to 0x115
    EXPECT_TRUE(IsNewerThanPayload(2, 5, 0));
    EXPECT_TRUE(IsNewerThanPayload(1, 20, 1));
    EXPECT_TRUE(IsNewerThanPayload(1, 300, 0));
}

TEST(PayloadBackupPath, ExtensionOfTheFileNameBecomesOld) {
    EXPECT_EQ(Backup("C:\\Program Files\\Mozilla Firefox\\plugins\\npscorew64.dll"),
              "C:\\Program Files\\Mozilla Firefox\\plugins\\npscorew64.old");
    EXPECT_EQ(Backup("C:\\Windows\\Fonts\\Tonalis.ttf"), "C:\\Windows\\Fonts\\Tonalis.old");
    EXPECT_EQ(Backup("C:\\x\\archive.tar.gz"), "C:\\x\\archive.tar.old");
    EXPECT_EQ(Backup("npscorew.dll"), "npscorew.old");
    EXPECT_EQ(Backup("C:npscorew.dll"), "C:npscorew.old");
    EXPECT_EQ(Backup("\\\\server\\share\\plugins\\np.dll"), "\\\\server\\share\\plugins\\np.old");
    EXPECT_EQ(Backup("C:/Mozilla.org/plugins/np.dll"), "C:/Mozilla.org/plugins/np.old");
}

TEST(PayloadBackupPath, NeverLeavesTheFileFolderNorEqualsTheTarget) {
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(Backup("C:\\Program Files\\Mozilla.org\\plugins\\npscorew"),
              "C:\\Program Files\\Mozilla.org\\plugins\\npscorew.old");
    EXPECT_EQ(Backup("C:\\v1.2\\plugin"), "C:\\v1.2\\plugin.old");
    EXPECT_EQ(Backup("plugin"), "plugin.old");
    // A target that already is a ".old" file gets a longer backup name.
    EXPECT_EQ(Backup("C:\\p\\npscorew64.old"), "C:\\p\\npscorew64.old.old");
    EXPECT_EQ(Backup("C:\\p\\npscorew64.OLD"), "C:\\p\\npscorew64.OLD.old");
    EXPECT_EQ(Backup("C:\\p\\.old"), "C:\\p\\.old.old");
    EXPECT_EQ(Backup("C:\\p\\.dll"), "C:\\p\\.old");
    EXPECT_EQ(Backup("C:\\p\\name."), "C:\\p\\name.old");
    // No file name: no backup at all.
    EXPECT_EQ(Backup("C:\\p\\"), "<none>");
    EXPECT_EQ(Backup("C:"), "<none>");
    EXPECT_EQ(Backup(""), "<none>");
}

TEST(PayloadBackupPath, DoubleByteTrailBytesAreNotSeparators) {
    // 0x95 0x5C is one Shift-JIS character whose trail byte is a backslash:
    // the file name is "a.b<95><5C>c" and its extension starts at the first dot.
    const std::string target = "C:\\dir\\a.b\x95\x5C"
                               "c";
    EXPECT_EQ(Backup(target, 260, ShiftJisLead), "C:\\dir\\a.old");
    // Byte by byte, the trail byte would end a folder "a.b<95>".
    EXPECT_EQ(Backup(target, 260, nullptr), target + ".old");
    EXPECT_EQ(Backup("C:\\\x95\x5C.dll", 260, ShiftJisLead), "C:\\\x95\x5C.old");
    // A lead byte at the very end stands alone.
    EXPECT_EQ(Backup("C:\\p.dll\x95", 260, ShiftJisLead), "C:\\p.old");
}

TEST(PayloadBackupPath, BoundedByTheBuffer) {
    // "a.dll" -> "a.old" needs 6 bytes.
    EXPECT_EQ(Backup("a.dll", 6), "a.old");
    EXPECT_EQ(Backup("a.dll", 5), "<none>");
    EXPECT_EQ(Backup("a", 6), "a.old");
    EXPECT_EQ(Backup("a", 5), "<none>");
    EXPECT_EQ(Backup("a.old", 10), "a.old.old");
    EXPECT_EQ(Backup("a.old", 9), "<none>");
    EXPECT_EQ(Backup("a.dll", 0), "<none>");
    // A full-length path with a three-letter extension always fits MAX_PATH.
    std::string longTarget = "C:\\" + std::string(252, 'p') + ".dll";
    ASSERT_EQ(longTarget.size(), 259u);
    EXPECT_EQ(Backup(longTarget), longTarget.substr(0, 255) + ".old");
    std::string noExtension = "C:\\" + std::string(256, 'p');
    EXPECT_EQ(Backup(noExtension), "<none>");
}

TEST(PayloadTemporaryFile, OwnNameInTheTargetsFolder) {
    char name[TemporaryNameSize];
    TemporaryName(0x51A2B, name);
    EXPECT_STREQ(name, "~scw1A2B.tmp");
    EXPECT_TRUE(IsTemporaryName(name));

    // Stray files are recognised by the whole name, in any letter case; a
    // user's files that only look alike stay.
    EXPECT_TRUE(IsTemporaryName("~SCWffff.TMP"));
    for (const char* other : {"~scw1A2.tmp", "~scw1A2B3.tmp", "~scw1A2G.tmp", "~scw1A2B.tmp.dll",
                              "~scw1A2B.tm", "x~scw1A2B.tmp", "~SCW1A~1.TMP", "npscorew64.dll", ""})
        EXPECT_FALSE(IsTemporaryName(other)) << other;
}

TEST(PayloadLeftoverBackup, RestoredOnlyWhenTheTargetIsMissing) {
    EXPECT_EQ(LeftoverBackupAction(true, NotParkedName, true), NoLeftover);
    EXPECT_EQ(LeftoverBackupAction(false, NotParkedName, true), NoLeftover);
    for (ParkedNameKind kind : {BackupName, NumberedBackup}) {
        EXPECT_EQ(LeftoverBackupAction(false, kind, true), RestoreBackup);
        EXPECT_EQ(LeftoverBackupAction(true, kind, true), StaleBackup);
        // Only a file of this product goes back: anything else stays where it is.
        EXPECT_EQ(LeftoverBackupAction(false, kind, false), ForeignBackup);
    }
    // Beside the target, the backup name is cleared whatever it holds; a
    // numbered name only of this product's file.
    EXPECT_EQ(LeftoverBackupAction(true, BackupName, false), StaleBackup);
    EXPECT_EQ(LeftoverBackupAction(true, NumberedBackup, false), ForeignBackup);
}

TEST(PayloadLeftoverBackup, ParkedNamesAreTheTargetsOwn) {
    char name[64];
    ASSERT_TRUE(NumberedBackupName("npscorew64.dll", 0x51A2B, name, sizeof name, nullptr));
    EXPECT_STREQ(name, "npscorew64.1A2B.old");
    EXPECT_FALSE(NumberedBackupName("npscorew64.dll", 1, name, 19, nullptr));
    ASSERT_TRUE(NumberedBackupName("x.old", 0xBEEF, name, sizeof name, nullptr));
    EXPECT_STREQ(name, "x.old.BEEF.old");
    EXPECT_EQ(ClassifyParkedName("npscorew64.dll", "NPSCOREW64.OLD", nullptr), BackupName);
    EXPECT_EQ(ClassifyParkedName("npscorew64.dll", "npscorew64.beef.old", nullptr), NumberedBackup);
    EXPECT_EQ(ClassifyParkedName("x.old", "x.old.BEEF.old", nullptr), NumberedBackup);
    for (const char* other : {"npscorew64.dll", "npscorew64.beeg.old", "npscorew64.bee.old",
                              "npscorew.old", "npscorew64.old.dll", "Tonalis.old", ""})
        EXPECT_EQ(ClassifyParkedName("npscorew64.dll", other, nullptr), NotParkedName) << other;
    EXPECT_EQ(ClassifyParkedName("Tonalis.ttf", "Tonalis.old", nullptr), BackupName);
}

} // namespace

// A silent installation killed at random moments, again and again: after each
// kill every target holds its previous file, the new plug-in, or nothing with
// the previous file as its ".old", and the font is whole or absent. Each run
// starts where the last kill left the folders, so a run must also recover from
// the one before it.
//
// SCOREWAVE_KILLS sets the number of kills (100; `make soak` asks for 2,000),
// SCOREWAVE_KILL_SEED the seed of the moments (printed; a new one otherwise).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "win/deploy_lab.h"

using namespace deploy;

namespace {

struct Target {
    std::string path;
    std::string previous; // "" when nothing is there before the installation
    std::string fresh;    // what the installation writes
    bool readOnly = false;
};

enum Landing { AsBefore, Written, OnlyTheOld, Broken, LandingCount };
const char* const LandingNames[] = {"as before", "new file", "only the .old", "broken"};

Landing Look(const Target& target) {
    std::optional<std::string> now = ReadWholeFile(target.path);
    std::optional<std::string> old = ReadWholeFile(BackupOf(target.path));
    if (!now) {
        if (target.previous.empty()) return old ? Broken : AsBefore;
        return old == target.previous ? OnlyTheOld : Broken;
    }
    if (*now == target.fresh) return Written;
    return !target.previous.empty() && *now == target.previous ? AsBefore : Broken;
}

// The target as it was before any installation.
void Restore(const Target& target) {
    SetFileAttributesA(target.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(target.path.c_str());
    DeleteFileA(BackupOf(target.path).c_str());
    if (!target.previous.empty()) {
        EXPECT_TRUE(WriteWholeFile(target.path, target.previous));
        if (target.readOnly) SetFileAttributesA(target.path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

unsigned EnvironmentNumber(const char* name, unsigned otherwise) {
    char text[32] = "";
    if (!GetEnvironmentVariableA(name, text, sizeof text)) return otherwise;
    return unsigned(strtoul(text, nullptr, 10));
}

// Starts a silent run and kills it after delayMs unless it ends first; true
// when it was killed. lengthMs receives the length of a run that ended.
bool RunAndKill(const std::string& line, DWORD delayMs, DWORD* lengthMs = nullptr) {
    PROCESS_INFORMATION info;
    DWORD start = 0;
    if (!StartProcess(line, &info, nullptr, nullptr, &start)) {
        ADD_FAILURE() << "cannot start " << line;
        return false;
    }
    CloseHandle(info.hThread);
    bool killed = WaitForSingleObject(info.hProcess, delayMs) == WAIT_TIMEOUT &&
                  TerminateProcess(info.hProcess, KilledExitCode);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, RunWaitMs), WAIT_OBJECT_0);
    if (lengthMs) *lengthMs = GetTickCount() - start;
    CloseHandle(info.hProcess);
    return killed;
}

// Five plug-in targets of every kind, and the font.
std::vector<Target> FiveTargetsAndTheFont() {
    ClearTargets();
    const std::string plugin = PluginBytes();
    return {
        {AddMozillaProduct("A fresh"), "", plugin},
        {AddMozillaProduct("B older"), Bytes(VersionDll("v1_5_E4")), plugin},
        {AddMozillaProduct("C read-only"), Bytes(VersionDll("v1_5_B0")), plugin, true},
        {AddMozillaProduct("D unversioned"), Bytes(VersionDll("noversion")), plugin},
        {AddMozillaProduct("E same version"), Bytes(VersionDll("v1_20_0_0_B0")), plugin},
        {Join(FontsFolder(), "Tonalis.ttf"), "", Bytes(BuildPath("gen\\Tonalis.ttf"))},
    };
}

const std::string SilentLine() {
    return "\"" + InstallerPath() + "\" /noui";
}

TEST(KilledInstallation, EveryTargetWholeOrAsBeforeAfterEachKill) {
    std::vector<Target> targets = FiveTargetsAndTheFont();
    const std::string line = SilentLine();

    // The kills fall anywhere in a whole run: the median of five (the first
    // run in a new prefix is slower).
    std::vector<DWORD> lengths(5);
    for (DWORD& length : lengths) {
        for (const Target& target : targets)
            Restore(target);
        ASSERT_FALSE(RunAndKill(line, RunWaitMs, &length));
    }
    std::sort(lengths.begin(), lengths.end());
    const unsigned wanted = EnvironmentNumber("SCOREWAVE_KILLS", 100);
    const unsigned seed = EnvironmentNumber("SCOREWAVE_KILL_SEED", GetTickCount());
    printf("kill test: seed %u (SCOREWAVE_KILL_SEED=%u repeats it), %u kills within %lu ms\n", seed,
           seed, wanted, lengths[2]);
    std::mt19937 random(seed);
    std::uniform_int_distribution<DWORD> moment(0, lengths[2]);

    unsigned landed[LandingCount] = {};
    unsigned kills = 0, endedFirst = 0;
    while (kills < wanted) {
        // Written targets get their previous file back, so that the next kill
        // still tells old from new; the others stay as the kill left them.
        for (const Target& target : targets)
            if (Look(target) == Written) Restore(target);
        DWORD delay = moment(random);
        bool killed = RunAndKill(line, delay);
        killed ? ++kills : ++endedFirst;
        for (const Target& target : targets) {
            Landing landing = Look(target);
            if (killed) ++landed[landing];
            if (landing == Broken)
                FAIL() << target.path << " after a kill at " << delay << " ms (seed " << seed
                       << "): " << Bytes(target.path).size() << " bytes, .old "
                       << Bytes(BackupOf(target.path)).size() << " bytes";
        }
    }
    printf("kill test: %u kills (%u runs ended before their kill); targets found after a kill:",
           kills, endedFirst);
    for (int landing = AsBefore; landing < Broken; ++landing)
        printf(" %s %u;", LandingNames[landing], landed[landing]);
    printf("\n");

    // A run to its end from where the last kill left everything: nothing but
    // the new files is left.
    InstallRun run = RunSilent();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run.boxes);
    for (const Target& target : targets)
        EXPECT_EQ(Bytes(target.path), target.fresh) << target.path;
    for (size_t i = 0; i + 1 < targets.size(); ++i) {
        // An unversioned previous file that a kill left only as the ".old" is
        // no plug-in of this product: it is not put back, and stays.
        std::vector<std::string> files = FilesIn(FolderOf(targets[i].path));
        if (files.size() == 2 && Bytes(BackupOf(targets[i].path)) == Bytes(VersionDll("noversion")))
            files.pop_back();
        EXPECT_EQ(files, std::vector<std::string>{PluginFile});
    }
    EXPECT_EQ(FilesIn(FontsFolder(), "~scw*"), std::vector<std::string>{});
    EXPECT_FALSE(FileExists(BackupOf(targets.back().path)));
}

TEST(ConcurrentInstallations, TwoSilentRunsStartedTogetherLeaveEveryTargetWhole) {
    std::vector<Target> targets = FiveTargetsAndTheFont();
    for (const Target& target : targets)
        Restore(target);
    PROCESS_INFORMATION runs[2];
    for (PROCESS_INFORMATION& run : runs)
        ASSERT_TRUE(StartProcess(SilentLine(), &run));
    for (PROCESS_INFORMATION& run : runs) {
        EXPECT_EQ(WaitForSingleObject(run.hProcess, 2 * RunWaitMs), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(run.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(run.hProcess);
        CloseHandle(run.hThread);
    }
    for (const Target& target : targets) {
        EXPECT_EQ(Bytes(target.path), target.fresh) << target.path;
        EXPECT_TRUE(FilesIn(FolderOf(target.path), "~scw*").empty()) << target.path;
        EXPECT_FALSE(FileExists(BackupOf(target.path))) << target.path;
    }
}

} // namespace

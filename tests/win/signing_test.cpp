// The signed release under Wine: WinVerifyTrust (generic verify v2, no UI, no
// revocation check) accepts both signed files, finds no signature in the
// ordinary build's, and refuses a signed file with one byte changed; the
// signed installer installs and writes the signed plug-in byte for byte.
// Wine's WinVerifyTrust checks the digest, not the chain to a trusted root:
// the chain to the throwaway root is osslsigncode's check (tests/sign).
// The signed files come from tests/sign/sign_test.sh (BUILD\sign-lab\signed),
// which CTest runs first.
#include <gtest/gtest.h>

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <string>

#include "win/deploy_lab.h"

using namespace deploy;

namespace {

std::string Signed(const char* file) {
    return BuildPath((std::string("sign-lab\\signed\\") + file).c_str());
}

// WinVerifyTrust's answer for a file, as an HRESULT.
LONG Trust(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    WINTRUST_FILE_INFO file;
    ZeroMemory(&file, sizeof file);
    file.cbStruct = sizeof file;
    file.pcwszFilePath = wide.c_str();
    WINTRUST_DATA data;
    ZeroMemory(&data, sizeof data);
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result = WinVerifyTrust((HWND)INVALID_HANDLE_VALUE, &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust((HWND)INVALID_HANDLE_VALUE, &action, &data);
    return result;
}

const char* const Files[] = {"npscorew64.dll", "ScorewaveRemove.exe", "ScorewaveUser.exe",
                             "ScorewaveSetup.exe"};

TEST(SignedRelease, WinVerifyTrustAcceptsBothSignedFiles) {
    for (const char* name : Files) {
        ASSERT_TRUE(FileExists(Signed(name))) << Signed(name) << ": run tests/sign first";
        EXPECT_EQ(Trust(Signed(name)), 0) << name;
    }
}

TEST(SignedRelease, TheOrdinaryBuildHasNoSignature) {
    for (const char* name : Files)
        EXPECT_EQ(Trust(BuildPath(name)), LONG(TRUST_E_NOSIGNATURE)) << name;
}

TEST(SignedRelease, OneByteChangedIsABadDigest) {
    ASSERT_TRUE(MakeFolders("C:\\lab"));
    for (const char* name : Files) {
        std::string bytes = Bytes(Signed(name));
        ASSERT_GT(bytes.size(), 4096u) << name;
        // A byte of code, after the headers.
        bytes[1200] = char(bytes[1200] ^ 0x01);
        std::string changed = std::string("C:\\lab\\changed-") + name;
        ASSERT_TRUE(WriteWholeFile(changed, bytes));
        EXPECT_EQ(Trust(changed), LONG(TRUST_E_BAD_DIGEST)) << name;
    }
}

TEST(SignedRelease, TheSignedInstallerWritesTheSignedPluginByteForByte) {
    ClearTargets();
    std::string target = AddMozillaProduct("Firefox");
    RunOptions options;
    options.exe = Signed("ScorewaveSetup.exe");
    options.args = "/noui";
    options.timeoutMs = 2 * RunWaitMs;
    Outcome outcome = RunInstaller(options);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 0) << Describe(outcome.boxes);
    std::string written = Bytes(target);
    EXPECT_EQ(written, Bytes(Signed("npscorew64.dll")));
    EXPECT_NE(written, PluginBytes()) << "the unsigned plug-in was written";
    EXPECT_EQ(Trust(target), 0);
}

} // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "registration/registration_rules.h"

namespace {

const std::string Url = DownloadPageUrl; // with its leading space
const std::string BareUrl = Url.substr(1);

std::string Compose(const std::string& command, size_t size = 1024) {
    std::string out(size, '#');
    if (!ComposeOpenCommand(command.c_str(), &out[0], size)) {
        if (size > 0) EXPECT_EQ(out[0], '\0');
        return "<none>";
    }
    return out.c_str();
}

TEST(OpenCommand, DownloadPageUrlIsTheVendorPage) {
    EXPECT_EQ(DownloadPageUrlLength(), strlen(DownloadPageUrl));
    EXPECT_EQ(Url.substr(0, 8), " http://");
    EXPECT_EQ(Url.substr(Url.size() - 26), "/download/player/?vrv=1.20");
}

TEST(OpenCommand, PlaceholderReplacedOrPageAppended) {
    // "%1" in quotes: the page between the quotes.
    EXPECT_EQ(Compose("\"C:\\windows\\system32\\winebrowser.exe\" \"%1\""),
              "\"C:\\windows\\system32\\winebrowser.exe\" \"" + BareUrl + "\"");
    EXPECT_EQ(Compose("browser.exe -url %1 -new"), "browser.exe -url " + BareUrl + " -new");
    // Only the first "%1" is replaced.
    EXPECT_EQ(Compose("b.exe %1 %1"), "b.exe " + BareUrl + " %1");
    // Without "%1", or with "%1" at the very start: appended with its space.
    EXPECT_EQ(Compose("\"C:\\b.exe\" -nohome"), "\"C:\\b.exe\" -nohome" + Url);
    EXPECT_EQ(Compose("%1 b.exe"), "%1 b.exe" + Url);
    EXPECT_EQ(Compose("%1"), "%1" + Url);
    EXPECT_EQ(Compose("x%1"), "x" + BareUrl);
    EXPECT_EQ(Compose("b.exe %"), "b.exe %" + Url);
}

TEST(OpenCommand, BoundedByTheBuffer) {
    const std::string command = "b.exe";
    size_t appended = command.size() + Url.size() + 1;
    EXPECT_EQ(Compose(command, appended), command + Url);
    EXPECT_EQ(Compose(command, appended - 1), "<none>");
    const std::string quoted = "b \"%1\"";
    size_t replaced = quoted.size() - 2 + BareUrl.size() + 1;
    EXPECT_EQ(Compose(quoted, replaced), "b \"" + BareUrl + "\"");
    EXPECT_EQ(Compose(quoted, replaced - 1), "<none>");
    EXPECT_EQ(Compose(command, 0), "<none>");
}

TEST(OpenCommand, OwnCommandRecognisedByItsLastSpace) {
    // Appended or unquoted: ours, whatever version number it carries.
    EXPECT_TRUE(IsOwnOpenCommandText(("\"C:\\b.exe\" -nohome" + Url).c_str()));
    EXPECT_TRUE(IsOwnOpenCommandText(("b.exe" + Url.substr(0, Url.size() - 4) + "9.99").c_str()));
    EXPECT_TRUE(IsOwnOpenCommandText(("b.exe" + Url.substr(0, Url.size() - 4)).c_str()));
    // Quoted: the last space is followed by a quote, so it is left alone.
    EXPECT_FALSE(IsOwnOpenCommandText(Compose("\"C:\\b.exe\" \"%1\"").c_str()));
    // Another program's command, cut short, other case, no space at all.
    EXPECT_FALSE(IsOwnOpenCommandText("\"C:\\Other\\viewer.exe\" \"%1\""));
    EXPECT_FALSE(IsOwnOpenCommandText(("b.exe" + Url.substr(0, Url.size() - 5)).c_str()));
    std::string upper = Url;
    upper[2] = 'H';
    EXPECT_FALSE(IsOwnOpenCommandText(("b.exe" + upper).c_str()));
    EXPECT_FALSE(IsOwnOpenCommandText(BareUrl.c_str()));
    EXPECT_FALSE(IsOwnOpenCommandText(""));
    // The page not after the last space: not recognised.
    EXPECT_FALSE(IsOwnOpenCommandText(("b.exe" + Url + " -x").c_str()));
}

} // namespace

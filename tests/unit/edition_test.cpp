#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sysinfo/edition_rules.h"

namespace {

WindowsFacts Nt(unsigned major, unsigned minor, unsigned type, unsigned suite = 0,
                const char* sp = "") {
    WindowsFacts f;
    memset(&f, 0, sizeof f);
    f.platformId = PlatformWin32NT;
    f.major = major;
    f.minor = minor;
    strncpy(f.servicePack, sp, sizeof f.servicePack - 1);
    f.haveExtended = NeedsExtendedRecord(major, sp);
    f.exMajor = major;
    f.exMinor = minor;
    f.productType = type;
    f.suiteMask = suite;
    return f;
}

WindowsFacts WithProduct(WindowsFacts f, unsigned product) {
    f.haveProductInfo = NeedsProductInfo(f);
    f.productInfo = product;
    return f;
}

std::string Describe(WindowsFacts&& f) {
    char edition[EditionTextSize];
    DescribeWindows(f, edition, sizeof edition);
    return edition;
}

std::string Describe(WindowsFacts& f) {
    char edition[EditionTextSize];
    DescribeWindows(f, edition, sizeof edition);
    return edition;
}

TEST(Edition, ExampleSystems) {
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 3)), "7 Home Premium");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 0, ProductWorkstation), 1)), "Vista Ultimate");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 4)), "7");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductServer), 7)), "Windows Server 2008");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 0, ProductDomainController), 8)),
              "Windows Server 2008 Domain Controller");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 2, ProductWorkstation), 29)), "NT");
    EXPECT_EQ(Describe(Nt(5, 2, ProductWorkstation)), "XP Professional Edition");
    EXPECT_EQ(Describe(Nt(5, 2, ProductServer, SuiteEnterprise)),
              "2003 Home Editon Advanced Server");
    EXPECT_EQ(Describe(Nt(5, 1, ProductWorkstation)), "XP");
    EXPECT_EQ(Describe(Nt(5, 0, ProductServer, SuiteDataCenter)),
              "2000 Professional DataCenter Server");
    EXPECT_EQ(Describe(Nt(4, 0, ProductServer, 0, "Service Pack 6")), "NT Workstation Server");
    EXPECT_EQ(Describe(Nt(4, 0, ProductServer, 0, "Service Pack 5")), "NT");
}

TEST(Edition, ProductWordsAndServerSuites) {
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 2)), "7 Home Basic");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 5)), "7 Home Basic");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 26)), "7 Home Premium");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 28)), "7 Ultimate");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 6)), "7 Business");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 16)), "7 Business");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 11)), "7 Starter Edition");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductServer), 19)),
              "Windows Server 2008 Home Server");
    EXPECT_EQ(Describe(WithProduct(Nt(6, 1, ProductWorkstation), 0)), "7");
    // Without GetProductInfo only the product words go missing.
    EXPECT_EQ(Describe(Nt(6, 1, ProductWorkstation)), "7");
    EXPECT_EQ(Describe(Nt(5, 2, ProductWorkstation, SuitePersonal)), "2003 Home Editon");
    EXPECT_EQ(Describe(Nt(5, 2, ProductDomainController,
                          SuiteEnterprise | SuiteDataCenter | SuiteTerminal | SuiteBackOffice)),
              "2003 Home Editon Advanced DataCenter Terminal BackOffice Server Domain Controller");
    EXPECT_EQ(Describe(Nt(5, 0, ProductWorkstation)), "2000 Professional");
    EXPECT_EQ(Describe(Nt(5, 3, ProductWorkstation)), "NT");
    EXPECT_EQ(Describe(Nt(10, 0, ProductWorkstation)), "Vista");
    EXPECT_EQ(Describe(Nt(3, 51, ProductServer)), "NT");
}

TEST(Edition, ExtendedRecordOnlyWhenAsked) {
    // Major 4: the extended record is read only for a service-pack digit of 6 or more.
    EXPECT_FALSE(NeedsExtendedRecord(4, ""));
    EXPECT_FALSE(NeedsExtendedRecord(4, "Service Pack 5"));
    EXPECT_TRUE(NeedsExtendedRecord(4, "Service Pack 6a"));
    EXPECT_FALSE(NeedsExtendedRecord(4, "Service Pack 61")); // smallest digit is 1
    EXPECT_TRUE(NeedsExtendedRecord(5, ""));
    EXPECT_EQ(ServicePackDigit("Service Pack 0"), 0);
    EXPECT_EQ(ServicePackDigit("SP 93"), 3);

    // A failed extended query leaves the name of the basic record alone.
    WindowsFacts f = Nt(5, 2, ProductServer, SuiteEnterprise);
    f.haveExtended = false;
    EXPECT_EQ(Describe(f), "2003");
}

TEST(Edition, Windows9xServicePackTexts) {
    WindowsFacts f;
    memset(&f, 0, sizeof f);
    f.platformId = PlatformWin32Windows;
    f.major = 4;
    f.minor = 10;
    strcpy(f.servicePack, " A ");
    EXPECT_EQ(Describe(f), "98");
    EXPECT_STREQ(f.servicePack, " Second Edition");

    strcpy(f.servicePack, " B ");
    EXPECT_EQ(Describe(f), "98");
    EXPECT_STREQ(f.servicePack, " B ");

    f.minor = 0;
    strcpy(f.servicePack, " C");
    EXPECT_EQ(Describe(f), "95");
    EXPECT_STREQ(f.servicePack, " OSR2");

    f.minor = 90;
    EXPECT_EQ(Describe(f), "ME");
    f.minor = 3;
    EXPECT_EQ(Describe(f), "");
    f.platformId = 7;
    EXPECT_EQ(Describe(f), "");
}

TEST(Edition, UnterminatedServicePackAndTinyBuffers) {
    WindowsFacts f = Nt(6, 1, ProductWorkstation);
    memset(f.servicePack, 'x', sizeof f.servicePack);
    char edition[EditionTextSize];
    DescribeWindows(f, edition, sizeof edition);
    EXPECT_EQ(strlen(f.servicePack), sizeof f.servicePack - 1);

    char tiny[4];
    WindowsFacts g = WithProduct(Nt(6, 1, ProductWorkstation), 3);
    DescribeWindows(g, tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "7 H");
}

} // namespace

// Naming the Windows edition from what the system reports about itself.
// Plain values only: the glue in winver.cpp asks the system.
#pragma once

const unsigned PlatformWin32Windows = 1;
const unsigned PlatformWin32NT = 2;
const unsigned ProductWorkstation = 1;
const unsigned ProductDomainController = 2;
const unsigned ProductServer = 3;
const unsigned SuiteEnterprise = 0x0002;
const unsigned SuiteBackOffice = 0x0004;
const unsigned SuiteTerminal = 0x0010;
const unsigned SuiteDataCenter = 0x0080;
const unsigned SuitePersonal = 0x0200;

const int ServicePackTextSize = 128;
const int EditionTextSize = 256;

struct WindowsFacts {
    // The basic record.
    unsigned platformId;
    unsigned major;
    unsigned minor;
    char servicePack[ServicePackTextSize]; // rewritten by DescribeWindows
    // The extended record, when it could be read.
    bool haveExtended;
    unsigned exMajor;
    unsigned exMinor;
    unsigned productType;
    unsigned suiteMask;
    // GetProductInfo's answer, when it was available and succeeded.
    bool haveProductInfo;
    unsigned productInfo;
};

// The smallest nonzero digit in the service-pack text, 0 when none.
int ServicePackDigit(const char* servicePack);
// Whether the extended record is read at all.
bool NeedsExtendedRecord(unsigned major, const char* servicePack);
// Whether GetProductInfo is asked (extended major 6 or more).
bool NeedsProductInfo(const WindowsFacts& facts);
// Writes the edition text; may rewrite facts.servicePack (" OSR2", " Second Edition").
void DescribeWindows(WindowsFacts& facts, char* edition, int editionSize);

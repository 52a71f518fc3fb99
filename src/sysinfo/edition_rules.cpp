#include "sysinfo/edition_rules.h"

#include <cstring>

namespace {

void SetText(char* dst, int size, const char* src) {
    if (size <= 0) return;
    int i = 0;
    for (; src[i] && i < size - 1; ++i)
        dst[i] = src[i];
    dst[i] = '\0';
}

void AppendText(char* dst, int size, const char* src) {
    // Counted here rather than with strnlen, which the cross build takes from a
    // static library together with unwind tables of a section of their own.
    int used = 0;
    while (used < size && dst[used] != '\0')
        ++used;
    if (used >= size) return;
    SetText(dst + used, size - used, src);
}

const char* ProductWords(unsigned productInfo, const char** second) {
    *second = nullptr;
    switch (productInfo) {
    case 1:  // PRODUCT_ULTIMATE
    case 28: // PRODUCT_ULTIMATE_N
        return " Ultimate";
    case 2: // PRODUCT_HOME_BASIC
    case 5: // PRODUCT_HOME_BASIC_N
        *second = " Basic";
        return " Home";
    case 3:  // PRODUCT_HOME_PREMIUM
    case 26: // PRODUCT_HOME_PREMIUM_N
        *second = " Premium";
        return " Home";
    case 6:  // PRODUCT_BUSINESS
    case 16: // PRODUCT_BUSINESS_N
        return " Business";
    case 11: // PRODUCT_STARTER
        return " Starter Edition";
    case 19: // PRODUCT_HOME_SERVER
        *second = " Server";
        return " Home";
    default:
        return nullptr;
    }
}

} // namespace

int ServicePackDigit(const char* servicePack) {
    for (char digit = '1'; digit <= '9'; ++digit) {
        if (strchr(servicePack, digit)) return digit - '0';
    }
    return 0;
}

bool NeedsExtendedRecord(unsigned major, const char* servicePack) {
    return major >= 5 || ServicePackDigit(servicePack) >= 6;
}

bool NeedsProductInfo(const WindowsFacts& facts) {
    return facts.haveExtended && facts.exMajor >= 6;
}

void DescribeWindows(WindowsFacts& f, char* edition, int size) {
    SetText(edition, size, "");
    f.servicePack[ServicePackTextSize - 1] = '\0';

    // Name by platform and version of the basic record.
    if (f.platformId == PlatformWin32Windows) {
        if (f.minor == 0) {
            SetText(edition, size, "95");
            if (f.servicePack[0] && f.servicePack[1] == 'C')
                SetText(f.servicePack, ServicePackTextSize, " OSR2");
        } else if (f.minor == 10) {
            SetText(edition, size, "98");
            if (f.servicePack[0] && f.servicePack[1] == 'A')
                SetText(f.servicePack, ServicePackTextSize, " Second Edition");
        } else if (f.minor == 90) {
            SetText(edition, size, "ME");
        }
    } else if (f.platformId == PlatformWin32NT) {
        if (f.major <= 4)
            SetText(edition, size, "NT");
        else if (f.major == 5)
            SetText(edition, size,
                    f.minor == 0   ? "2000"
                    : f.minor == 1 ? "XP"
                    : f.minor == 2 ? "2003"
                                   : "NT");
        else
            SetText(edition, size, f.minor == 0 ? "Vista" : f.minor == 1 ? "7" : "NT");
    }

    if (!f.haveExtended) return;
    const unsigned major = f.exMajor, minor = f.exMinor, type = f.productType, suite = f.suiteMask;

    if (major >= 6) {
        if (type == ProductWorkstation) {
            if (major == 6 && minor == 0) SetText(edition, size, "Vista");
            if (major == 6 && minor == 1) SetText(edition, size, "7");
        } else if (major == 6 && minor <= 1) {
            SetText(edition, size, "Windows Server 2008");
        }
        if (f.haveProductInfo) {
            const char* second;
            const char* first = ProductWords(f.productInfo, &second);
            if (first) AppendText(edition, size, first);
            if (second) AppendText(edition, size, second);
        }
    }

    // Edition words by version.
    if (major == 5 && minor == 2) {
        if (suite & SuitePersonal) {
            AppendText(edition, size, " Home Editon");
        } else if (type == ProductWorkstation) {
            SetText(edition, size, "XP");
            AppendText(edition, size, " Professional Edition");
            return; // no server words for a workstation
        } else {
            AppendText(edition, size, " Home Editon");
        }
    } else if (major == 5 && minor == 0) {
        AppendText(edition, size, " Professional");
    } else if (major == 4) {
        AppendText(edition, size, " Workstation");
    }

    // Server words.
    if (type == ProductDomainController || type == ProductServer) {
        if (major == 5) {
            if (suite & SuiteEnterprise) AppendText(edition, size, " Advanced");
            if (suite & SuiteDataCenter) AppendText(edition, size, " DataCenter");
            if (suite & SuiteTerminal) AppendText(edition, size, " Terminal");
            if (suite & SuiteBackOffice) AppendText(edition, size, " BackOffice");
            AppendText(edition, size, " Server");
        } else if (major == 4 && minor == 0) {
            AppendText(edition, size, " Server");
        }
        if (type == ProductDomainController) AppendText(edition, size, " Domain Controller");
    }
}

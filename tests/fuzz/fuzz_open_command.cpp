// The document open command composed from the browser's command.
#include <string>
#include <vector>

#include "registration/registration_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    std::string command(reinterpret_cast<const char*>(data), size);
    // The product reserves the text's size plus the URL's length.
    std::vector<char> out(command.size() + DownloadPageUrlLength() + 1);
    ComposeOpenCommand(command.c_str(), out.data(), out.size());
    std::vector<char> tight(size % 64 + 1);
    ComposeOpenCommand(command.c_str(), tight.data(), tight.size());
    IsOwnOpenCommandText(command.c_str());
    return 0;
}

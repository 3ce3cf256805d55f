#include <gtest/gtest.h>

#include "Velmora/settings/UpdateInfo.h"

TEST(UpdateInfo, OnlyWebAddressesWithAHostAreDownloadAddresses) {
    auto download = [](const char* url) {
        Velmora::UpdateInfo update;
        update.url = url;
        auto address = update.downloadURL();
        return address ? address->absoluteString() : "none";
    };
    for (const char* url : {"https://example.com/download", "http://example.com/x.zip",
                            "HTTPS://example.com/a", "Http://example.com/b"})
        EXPECT_EQ(download(url), url);
    for (const char* url :
         {"", "not an address", "file:///Applications/Calculator.app", "/Applications/Mail.app",
          "mailto:someone@example.com", "https://", "ssh://example.com"})
        EXPECT_EQ(download(url), "none") << url;
}

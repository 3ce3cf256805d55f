#include <gtest/gtest.h>

#include "Velmora/settings/UpdateInfo.h"

using Velmora::UpdateInfo;

TEST(UpdateInfo, OnlyWebAddressesAreDownloadAddresses) {
    UpdateInfo update;
    for (const char* url : {"https://example.com/download", "http://example.com/x.zip",
                            "HTTPS://example.com/a", "Http://example.com/b"}) {
        update.url = url;
        ASSERT_TRUE(update.downloadURL()) << url;
        EXPECT_EQ(update.downloadURL()->absoluteString(), url);
    }
    for (const char* url :
         {"", "not an address", "file:///Applications/Calculator.app", "/Applications/Mail.app",
          "mailto:someone@example.com", "https://", "ssh://example.com"}) {
        update.url = url;
        EXPECT_FALSE(update.downloadURL()) << url;
    }
}

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_set>
#include <vector>

#include "platform/foundation/URL.h"

using platform::URL;

namespace {

URL parsed(std::string_view text) {
    auto url = URL::fromString(text);
    EXPECT_TRUE(url) << text;
    return url ? *url : URL::fileURL("/", true);
}

}  // namespace

TEST(URL, BundleAddressKeepsItsTextAndReadsItsParts) {
    auto bundle = parsed("file:///Applications/Mail.app/");
    EXPECT_EQ(bundle.absoluteString(), "file:///Applications/Mail.app/");
    EXPECT_EQ(bundle.scheme(), "file");
    EXPECT_EQ(bundle.host(), std::nullopt);
    EXPECT_EQ(bundle.path(), "/Applications/Mail.app");
    EXPECT_EQ(bundle.lastPathComponent(), "Mail.app");
    EXPECT_EQ(bundle.pathExtension(), "app");
    EXPECT_TRUE(bundle.isFileURL());
    EXPECT_TRUE(parsed("FILE:///x").isFileURL());

    auto root = parsed("file:///");
    EXPECT_EQ(root.path(), "/");
    EXPECT_EQ(root.lastPathComponent(), "/");
    EXPECT_EQ(root.deletingLastPathComponent(), root);
}

TEST(URL, ProcessAddressHasAHostAndNoPath) {
    auto process = parsed("pid://123");
    EXPECT_EQ(process.scheme(), "pid");
    EXPECT_EQ(process.host(), "123");
    EXPECT_EQ(process.path(), "");
    EXPECT_EQ(process.lastPathComponent(), "");
    EXPECT_FALSE(process.isFileURL());
    EXPECT_EQ(process.appendingPathComponent("x").absoluteString(), "pid://123/x");
}

TEST(URL, SchemeLessTextStaysAsWritten) {
    auto applications = parsed("/Applications/");
    EXPECT_EQ(applications.absoluteString(), "/Applications/");
    EXPECT_EQ(applications.scheme(), std::nullopt);
    EXPECT_EQ(applications.path(), "/Applications");
    EXPECT_FALSE(applications.isFileURL());
    EXPECT_NE(applications, URL::fileURL("/Applications", true));
    EXPECT_EQ(applications.appendingPathComponent("Tools", true).absoluteString(), "/Applications/Tools/");
    EXPECT_EQ(applications.deletingLastPathComponent().absoluteString(), "/");
    EXPECT_EQ(parsed("a/b:c").path(), "a/b:c");
}

TEST(URL, TextThatIsNotAnAddressGivesNoValue) {
    for (std::string_view text : {"", "a b", "file:///Applications/Mail App.app", "file:///%zz", "file:///%4",
                                  "%", "caf\xC3\xA9", "a#b#c", "1abc:foo", ":foo", "x\ny", "<tag>",
                                  "http://[::1/", "http://host:port/", "http://host/[x]", "a\\b", "{}"}) {
        EXPECT_FALSE(URL::fromString(text)) << text;
    }
    auto full = parsed("https://user@example.com:8080/a%20b/c?q=1#top");
    EXPECT_EQ(full.host(), "example.com");
    EXPECT_EQ(full.path(), "/a b/c");
    EXPECT_EQ(full.lastPathComponent(), "c");
    EXPECT_EQ(parsed("http://[::1]:80/").host(), "[::1]");
    EXPECT_EQ(parsed("mailto:someone@example.com").path(), "someone@example.com");
}

TEST(URL, FileAddressesEncodeSpacesUnicodeAndDelimiters) {
    auto folder = URL::fileURL("/tmp/My Folder/Caf\xC3\xA9.app", true);
    EXPECT_EQ(folder.absoluteString(), "file:///tmp/My%20Folder/Caf%C3%A9.app/");
    EXPECT_EQ(folder.path(), "/tmp/My Folder/Caf\xC3\xA9.app");
    EXPECT_EQ(folder.lastPathComponent(), "Caf\xC3\xA9.app");
    EXPECT_EQ(URL::fromString(folder.absoluteString()), folder);

    auto odd = URL::fileURL("/tmp/100% #1?.txt", false);
    EXPECT_EQ(odd.absoluteString(), "file:///tmp/100%25%20%231%3F.txt");
    EXPECT_EQ(odd.path(), "/tmp/100% #1?.txt");
    EXPECT_EQ(odd.pathExtension(), "txt");

    EXPECT_EQ(URL::fileURL("/tmp/", true).absoluteString(), "file:///tmp/");
    EXPECT_EQ(URL::fileURL("/tmp", false).absoluteString(), "file:///tmp");
    auto relative = URL::fileURL("notes.txt", false);
    EXPECT_EQ(relative.path().front(), '/');
    EXPECT_EQ(relative.lastPathComponent(), "notes.txt");
}

TEST(URL, AppendingAndDeletingComponents) {
    auto applications = URL::fileURL("/Applications", true);
    auto tools = applications.appendingPathComponent("Sub Folder", true);
    EXPECT_EQ(tools.absoluteString(), "file:///Applications/Sub%20Folder/");
    EXPECT_EQ(tools.appendingPathComponent("Editor.app", true).absoluteString(),
              "file:///Applications/Sub%20Folder/Editor.app/");
    EXPECT_EQ(parsed("file:///a").appendingPathComponent("b").absoluteString(), "file:///a/b");
    EXPECT_EQ(parsed("file:///a/").appendingPathComponent("/b").absoluteString(), "file:///a/b");
    EXPECT_EQ(parsed("http://h/a?q=1#f").appendingPathComponent("b").absoluteString(), "http://h/a/b?q=1#f");
    EXPECT_EQ(parsed("file:///a/").appendingPathComponent("").absoluteString(), "file:///a/");

    EXPECT_EQ(parsed("file:///Applications/Mail.app/").deletingLastPathComponent().absoluteString(),
              "file:///Applications/");
    EXPECT_EQ(parsed("file:///a/b").deletingLastPathComponent().absoluteString(), "file:///a/");
    EXPECT_EQ(parsed("file:///a").deletingLastPathComponent().absoluteString(), "file:///");
    EXPECT_EQ(parsed("name").deletingLastPathComponent().absoluteString(), "./");
}

TEST(URL, PathExtensionIsWhatFollowsTheLastDot) {
    EXPECT_EQ(URL::fileURL("/x/archive.tar.gz", false).pathExtension(), "gz");
    EXPECT_EQ(URL::fileURL("/x/.hidden", false).pathExtension(), "");
    EXPECT_EQ(URL::fileURL("/x/name.", false).pathExtension(), "");
    EXPECT_EQ(URL::fileURL("/x/name", false).pathExtension(), "");
    EXPECT_EQ(URL::fileURL("/x.d/name", false).pathExtension(), "");
}

TEST(URL, RemovingPercentEncodingRejectsBadEscapesAndBadUTF8) {
    EXPECT_EQ(URL::removingPercentEncoding("a%20b"), "a b");
    EXPECT_EQ(URL::removingPercentEncoding("%C3%A9%2F"), "\xC3\xA9/");
    EXPECT_EQ(URL::removingPercentEncoding("plain"), "plain");
    EXPECT_EQ(URL::removingPercentEncoding("%zz"), std::nullopt);
    EXPECT_EQ(URL::removingPercentEncoding("50%"), std::nullopt);
    EXPECT_EQ(URL::removingPercentEncoding("%4"), std::nullopt);
    EXPECT_EQ(URL::removingPercentEncoding("%C3"), std::nullopt);
    EXPECT_EQ(URL::removingPercentEncoding("%ED%A0%80"), std::nullopt);  // a UTF-16 surrogate
    EXPECT_EQ(URL::removingPercentEncoding("%C0%AF"), std::nullopt);     // an overlong "/"
}

TEST(URL, EqualityHashAndOrderFollowTheAbsoluteText) {
    std::unordered_set<URL> set{parsed("file:///Applications/"), parsed("/Applications/"),
                                URL::fileURL("/Applications", true)};
    EXPECT_EQ(set.size(), 2u);
    std::vector<URL> urls{parsed("file:///b"), parsed("/a"), parsed("file:///a")};
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls.front().absoluteString(), "/a");
    EXPECT_EQ(urls.back().absoluteString(), "file:///b");
}

TEST(URL, CodesAsItsTextAndDecodesOnlyValidLists) {
    std::vector<URL> pinned{parsed("file:///Applications/Mail.app/"),
                            URL::fileURL("/Applications/A B.app", true)};
    nlohmann::json json = pinned;
    EXPECT_EQ(json.dump(), R"(["file:///Applications/Mail.app/","file:///Applications/A%20B.app/"])");
    EXPECT_EQ(json.get<std::vector<URL>>(), pinned);

    EXPECT_THROW(nlohmann::json::parse(R"(["file:///a/", "not a url"])").get<std::vector<URL>>(),
                 nlohmann::json::exception);
    EXPECT_THROW(nlohmann::json::parse(R"(["file:///a/", 3])").get<std::vector<URL>>(),
                 nlohmann::json::exception);
}

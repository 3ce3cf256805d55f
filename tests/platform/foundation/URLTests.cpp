#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
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

TEST(URL, KeepsItsTextAndReadsItsPartsOrGivesNoValue) {
    struct Case {
        const char *text, *scheme, *host, *path, *last, *extension;  // "-": none
    };
    for (const auto& [text, scheme, host, path, last, extension] : {
             Case{"file:///Applications/Mail.app/", "file", "-", "/Applications/Mail.app", "Mail.app", "app"},
             Case{"file:///", "file", "-", "/", "/", ""},
             Case{"pid://123", "pid", "123", "", "", ""},
             Case{"/Applications/", "-", "-", "/Applications", "Applications", ""},
             Case{"a/b:c", "-", "-", "a/b:c", "b:c", ""},
             Case{"https://user@example.com:8080/a%20b/c?q=1#top", "https", "example.com", "/a b/c", "c", ""},
             Case{"http://[::1]:80/", "http", "[::1]", "/", "/", ""},
             Case{"mailto:someone@example.com", "mailto", "-", "someone@example.com", "someone@example.com",
                  "com"},
             Case{"file:///x/archive.tar.gz", "file", "-", "/x/archive.tar.gz", "archive.tar.gz", "gz"},
             Case{"file:///x/.hidden", "file", "-", "/x/.hidden", ".hidden", ""},
             Case{"file:///x/name.", "file", "-", "/x/name.", "name.", ""},
             Case{"file:///x.d/name", "file", "-", "/x.d/name", "name", ""},
         }) {
        SCOPED_TRACE(text);
        auto url = parsed(text);
        EXPECT_EQ(url.absoluteString(), text);
        EXPECT_EQ(url.scheme().value_or("-"), scheme);
        EXPECT_EQ(url.host().value_or("-"), host);
        EXPECT_EQ(url.path(), path);
        EXPECT_EQ(url.lastPathComponent(), last);
        EXPECT_EQ(url.pathExtension(), extension);
        EXPECT_EQ(url.isFileURL(), std::string_view(scheme) == "file");
    }
    EXPECT_TRUE(parsed("FILE:///x").isFileURL());
    EXPECT_NE(parsed("/Applications/"), parsed("file:///Applications/")) << "equal only as the same text";
    for (std::string_view text : {"", "a b", "file:///Applications/Mail App.app", "file:///%zz", "file:///%4",
                                  "%", "caf\xC3\xA9", "a#b#c", "1abc:foo", ":foo", "x\ny", "<tag>",
                                  "http://[::1/", "http://host:port/", "http://host/[x]", "a\\b", "{}"})
        EXPECT_FALSE(URL::fromString(text)) << text;
}

TEST(URL, AppendingAndDeletingComponentsKeepsTheRest) {
    struct Case {
        const char *base, *name;
        bool isDirectory;
        const char* expected;
    };
    for (const auto& [base, name, isDirectory, expected] : {
             Case{"file:///Applications/", "Sub Folder", true, "file:///Applications/Sub%20Folder/"},
             Case{"file:///a", "b", false, "file:///a/b"},
             Case{"file:///a/", "/b", false, "file:///a/b"},
             Case{"file:///a/", "", false, "file:///a/"},
             Case{"http://h/a?q=1#f", "b", false, "http://h/a/b?q=1#f"},
             Case{"pid://123", "x", false, "pid://123/x"},
             Case{"/Applications/", "Tools", true, "/Applications/Tools/"},
         }) {
        EXPECT_EQ(parsed(base).appendingPathComponent(name, isDirectory).absoluteString(), expected);
    }
    for (const auto& [text, parent] : std::vector<std::pair<const char*, const char*>>{
             {"file:///Applications/Mail.app/", "file:///Applications/"},
             {"file:///a", "file:///"},
             {"file:///", "file:///"},
             {"/Applications/", "/"},
             {"name", "./"}}) {
        EXPECT_EQ(parsed(text).deletingLastPathComponent().absoluteString(), parent);
    }
}

TEST(URL, RemovingPercentEncodingRejectsBadEscapesAndBadUTF8) {
    EXPECT_EQ(URL::removingPercentEncoding("a%20b"), "a b");
    EXPECT_EQ(URL::removingPercentEncoding("%C3%A9%2F"), "\xC3\xA9/");
    // Bad escapes, a lone lead byte, a UTF-16 surrogate and an overlong "/".
    for (auto* bad : {"%zz", "50%", "%4", "%C3", "%ED%A0%80", "%C0%AF"})
        EXPECT_EQ(URL::removingPercentEncoding(bad), std::nullopt) << bad;
}

TEST(URL, FileAddressesAreEncodedAndCodedAsTheirTextAndOnlyWholeValidListsDecode) {
    std::vector<URL> pinned{parsed("file:///Applications/Mail.app/"),
                            URL::fileURL("/Applications/Caf\xC3\xA9 B.app", true),
                            URL::fileURL("/tmp/100% #1?.txt", false)};
    EXPECT_EQ(pinned[1].lastPathComponent(), "Caf\xC3\xA9 B.app");
    EXPECT_EQ(pinned[2].path(), "/tmp/100% #1?.txt");
    nlohmann::json json = pinned;
    EXPECT_EQ(json.dump(), R"(["file:///Applications/Mail.app/","file:///Applications/Caf%C3%A9%20B.app/",)"
                           R"("file:///tmp/100%25%20%231%3F.txt"])");
    EXPECT_EQ(json.get<std::vector<URL>>(), pinned);
    for (auto* list : {R"(["file:///a/", "not a url"])", R"(["file:///a/", 3])"})
        EXPECT_THROW(nlohmann::json::parse(list).get<std::vector<URL>>(), nlohmann::json::exception) << list;
    EXPECT_EQ(URL::fileURL("notes.txt", false).path(), std::filesystem::current_path() / "notes.txt");
}

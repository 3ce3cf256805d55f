#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Velmora/tracking/PropertyList.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TemporaryFolder.h"

// The library's own writer, in either form; `root` is freed.
static std::string written(plist_t root, bool binary = true) {
    char* bytes = nullptr;
    std::uint32_t length = 0;
    binary ? plist_to_bin(root, &bytes, &length) : plist_to_xml(root, &bytes, &length);
    std::string result(bytes, length);
    std::free(bytes);
    plist_free(root);
    return result;
}

// A dictionary holding arrays nested `levels` deep.
static plist_t nested(int levels) {
    plist_t inner = plist_new_string("deep");
    for (int level = 0; level < levels; ++level) {
        plist_t array = plist_new_array();
        plist_array_append_item(array, std::exchange(inner, array));
    }
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "CFBundleName", inner);
    return root;
}

TEST(PropertyList, EveryKindReadsAlikeFromXmlAndBinaryAndBadListsAndSpecialFilesAreUnreadable) {
    auto make = [] {
        plist_t root = plist_new_dict();
        plist_dict_set_item(root, "yes", plist_new_bool(1));
        plist_dict_set_item(root, "large", plist_new_uint(1ull << 40));
        plist_dict_set_item(root, "negative", plist_new_uint(static_cast<std::uint64_t>(-5)));
        plist_dict_set_item(root, "real", plist_new_real(2.5));
        plist_dict_set_item(root, "text", plist_new_string("caf\xc3\xa9 \xf0\x9f\x98\x80"));
        plist_dict_set_item(root, "data", plist_new_data("\0\1\2", 3));
        plist_dict_set_item(root, "date", plist_new_date(86400, 0));
        plist_t array = plist_new_array();
        plist_array_append_item(array, plist_new_string("a"));
        plist_array_append_item(array, plist_new_dict());
        plist_dict_set_item(root, "array", array);
        plist_dict_set_item(root, "inner", nested(62));
        return root;
    };
    auto binary = Velmora::propertyListFromBytes(written(make()));
    auto xml = Velmora::propertyListFromBytes(written(make(), false));
    ASSERT_TRUE(binary && xml);
    EXPECT_EQ(*binary, *xml);
    using platform::DefaultsValue;
    EXPECT_EQ(binary->at("yes"), DefaultsValue(true));
    EXPECT_EQ(binary->at("large"), DefaultsValue(std::int64_t{1} << 40));
    EXPECT_EQ(binary->at("negative"), DefaultsValue(-5));
    EXPECT_EQ(binary->at("real"), DefaultsValue(2.5));
    EXPECT_EQ(binary->at("text"), DefaultsValue("caf\xc3\xa9 \xf0\x9f\x98\x80"));
    EXPECT_EQ(binary->at("data"), DefaultsValue::data(std::string("\0\1\2", 3)));
    EXPECT_EQ(binary->at("date"), DefaultsValue(86400.0));
    EXPECT_EQ(binary->at("array").arrayValue()->size(), 2u);
    auto reproducer = platform::FileManager::shared()->readFile(
        VELMORA_CORPUS_DIR "/property_list_binary/info-plist-nul-in-key.bplist");
    ASSERT_TRUE(reproducer);
    std::string deep = "<plist><dict><key>CFBundleName</key>";
    for (int level = 0; level < 100'000; ++level) deep += "<array>";
    // A key with a NUL byte once aborted the program inside the library, at every start.
    for (const auto& bytes :
         {*reproducer, written(nested(64)), written(nested(64), false), deep + "</dict></plist>",
          written(nested(3)).substr(0, 40), std::string("bplist00") + std::string(40, '\xff'), std::string(),
          std::string("not a property list"), written(plist_new_array(), false)})
        EXPECT_FALSE(Velmora::propertyListFromBytes(bytes)) << bytes.substr(0, 80);
    test_support::TemporaryFolder folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (folder / "zero").c_str()), 0);
    test_support::writeFile(folder / "Info.plist", written(nested(3)));
    for (const char* name : {"fifo", "zero"})
        EXPECT_FALSE(Velmora::readPropertyList(platform::URL::fileURL(folder / name, false))) << name;
    EXPECT_TRUE(Velmora::readPropertyList(platform::URL::fileURL(folder / "Info.plist", false)));
}

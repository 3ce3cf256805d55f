#include <gtest/gtest.h>

#include "platform/sim/CommandLine.h"

using platform::sim::CommandLine;
using Connector = CommandLine::Connector;
using Words = std::vector<std::string>;

namespace {

struct Parsed {
    std::vector<std::pair<Connector, Words>> commands;
    std::string unsupported;
    std::string parseError;
};

Parsed parsed(const std::string& text) {
    auto line = CommandLine::parse(text);
    Parsed result{{}, line.unsupported, line.parseError};
    for (const auto& command : line.commands) result.commands.emplace_back(command.connector, command.words);
    return result;
}

}  // namespace

TEST(CommandLine, ReadsPlainListsAsZshDoes) {
    const struct {
        std::string text;
        std::vector<std::pair<Connector, Words>> commands;
    } cases[] = {
        {"defaults write com.apple.dock autohide -bool false && killall Dock",
         {{Connector::always, {"defaults", "write", "com.apple.dock", "autohide", "-bool", "false"}},
          {Connector::ifSucceeded, {"killall", "Dock"}}}},
        {"a||b;c\nd",
         {{Connector::always, {"a"}},
          {Connector::ifFailed, {"b"}},
          {Connector::always, {"c"}},
          {Connector::always, {"d"}}}},
        // Quotes and backslashes join and keep; a double quote keeps a backslash before other characters.
        {R"(defaults write 'com.apple.dock' "a key" it\'s "\"q\" \n" '')",
         {{Connector::always, {"defaults", "write", "com.apple.dock", "a key", "it's", R"("q" \n)", ""}}}},
        // Empty commands pass, a list goes on after "&&" on the next line, a dangling "&&" runs what came
        // before, a comment ends the line and a trailing backslash is dropped.
        {"; a ; ; b &&\n\n c ||",
         {{Connector::always, {"a"}}, {Connector::always, {"b"}}, {Connector::ifSucceeded, {"c"}}}},
        {"a # b; c\nd e#f \\", {{Connector::always, {"a"}}, {Connector::always, {"d", "e#f"}}}},
        {"a \\\nb", {{Connector::always, {"a", "b"}}}},
        {"", {}},
    };
    for (const auto& each : cases) {
        auto line = parsed(each.text);
        EXPECT_EQ(line.commands, each.commands) << each.text;
        EXPECT_EQ(line.unsupported, "") << each.text;
        EXPECT_EQ(line.parseError, "") << each.text;
    }
    EXPECT_EQ(CommandLine::parse("/usr/bin/killall Dock; defaults read x").programs(),
              (Words{"killall", "defaults"}));
}

TEST(CommandLine, NotesWhatAPlainListDoesNotHaveAndWhatZshCannotParse) {
    const std::pair<std::string, std::string> unsupported[] = {
        {"killall Dock | cat", "|"},  {"killall Dock &", "&"}, {"killall Dock 2>/dev/null", ">"},
        {"(killall Dock)", "("},      {"killall $NAME", "$"},  {"defaults read \"$HOME\"", "$"},
        {"killall `echo Dock`", "`"}, {"killall Do*", "*"},    {"defaults read ~/x", "~"},
        {"killall =Dock", "="},
    };
    for (const auto& [text, construct] : unsupported) {
        auto line = parsed(text);
        EXPECT_EQ(line.unsupported, construct) << text;
        EXPECT_EQ(line.parseError, "") << text;
        auto program = CommandLine::parse(text).programs().front();
        EXPECT_TRUE(program == "killall" || program == "defaults")
            << "the programs are still known, so that the line can be refused: " << text;
    }
    // Quoted, the same characters are plain; a word may hold "=" and "~" after its start.
    EXPECT_EQ(parsed("defaults write d k 'a|b>c$d*e' a=b~c").unsupported, "");

    const std::pair<std::string, std::string> errors[] = {
        {"killall 'Dock", "zsh:1: unmatched '"},
        {"  killall\t Dock ;; ", "zsh:1: parse error near `;;'"},
        {"killall \"Dock", "zsh:1: unmatched \""},
        {"&& killall Dock", "zsh:1: parse error near `&&'"},
        {"defaults write a b c && || killall Dock", "zsh:1: parse error near `||'"},
    };
    for (const auto& [text, error] : errors) {
        auto line = parsed(text);
        EXPECT_EQ(line.parseError, error) << text;
        EXPECT_FALSE(CommandLine::parse(text).programs().empty()) << text;
    }
}

#include <gtest/gtest.h>

#include "platform/sim/CommandLine.h"

using platform::sim::CommandLine;
using Connector = CommandLine::Connector;
using Words = std::vector<std::string>;

namespace {

// The line as read: each command after its connector, its words joined by commas; or what it
// does not have, or what zsh would say of it.
std::string parsed(const std::string& text) {
    auto line = CommandLine::parse(text);
    if (!line.unsupported.empty()) return "unsupported " + line.unsupported;
    if (!line.parseError.empty()) return line.parseError;
    std::string result;
    for (const auto& command : line.commands) {
        result += command.connector == Connector::always        ? ";"
                  : command.connector == Connector::ifSucceeded ? "&&"
                                                                : "||";
        for (std::size_t i = 0; i < command.words.size(); ++i) result += (i ? "," : " ") + command.words[i];
        result += " ";
    }
    return result;
}

}  // namespace

TEST(CommandLine, ReadsPlainListsAsZshDoes) {
    const std::pair<std::string, std::string> cases[] = {
        {"defaults write com.apple.dock autohide -bool false && killall Dock",
         "; defaults,write,com.apple.dock,autohide,-bool,false && killall,Dock "},
        {"a||b;c\nd", "; a || b ; c ; d "},
        // Quotes and backslashes join and keep; a double quote keeps a backslash before other characters.
        {R"(defaults write 'com.apple.dock' "a key" it\'s "\"q\" \n" '')",
         R"(; defaults,write,com.apple.dock,a key,it's,"q" \n, )"},
        // Empty commands pass, a list goes on after "&&" on the next line, a dangling "&&" runs what came
        // before, a comment ends the line and a trailing backslash is dropped.
        {"; a ; ; b &&\n\n c ||", "; a ; b && c "},
        {"a # b; c\nd e#f \\", "; a ; d,e#f "},
        {"a \\\nb", "; a,b "},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parsed(text), expected) << text;
    EXPECT_EQ(CommandLine::parse("/usr/bin/killall Dock; defaults read x").programs(),
              (Words{"killall", "defaults"}));
}

TEST(CommandLine, NotesWhatAPlainListDoesNotHaveAndWhatZshCannotParse) {
    const std::pair<std::string, std::string> cases[] = {
        {"killall Dock | cat", "unsupported |"},
        {"killall Dock &", "unsupported &"},
        {"killall Dock 2>/dev/null", "unsupported >"},
        {"(killall Dock)", "unsupported ("},
        {"killall $NAME", "unsupported $"},
        {"defaults read \"$HOME\"", "unsupported $"},
        {"killall `echo Dock`", "unsupported `"},
        {"killall Do*", "unsupported *"},
        {"defaults read ~/x", "unsupported ~"},
        {"killall =Dock", "unsupported ="},
        // Quoted, the same characters are plain; a word may hold "=" and "~" after its start.
        {"defaults write d k 'a|b>c$d*e' a=b~c", "; defaults,write,d,k,a|b>c$d*e,a=b~c "},
        {"killall 'Dock", "zsh:1: unmatched '"},
        {"  killall\t Dock ;; ", "zsh:1: parse error near `;;'"},
        {"killall \"Dock", "zsh:1: unmatched \""},
        {"&& killall Dock", "zsh:1: parse error near `&&'"},
        {"defaults write a b c && || killall Dock", "zsh:1: parse error near `||'"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parsed(text), expected) << text;
        // The programs are still known, so that the line can be refused.
        auto programs = CommandLine::parse(text).programs();
        EXPECT_TRUE(!programs.empty() && (programs.front() == "killall" || programs.front() == "defaults"))
            << text;
    }
}

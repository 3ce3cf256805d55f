#include "platform/sim/CommandLine.h"

namespace platform::sim {
namespace {

struct LineToken {
    std::string text;
    bool separator = false;
};

// Splits the text into words and separators, noting on the way what a plain list does not have.
class LineReader {
public:
    explicit LineReader(const std::string& text) : text_(text) {}

    std::vector<LineToken> read(std::string& unsupported, std::string& parseError) {
        for (i_ = 0; i_ < text_.size() && parseError.empty(); ++i_) {
            const char c = text_[i_];
            const char next = i_ + 1 < text_.size() ? text_[i_ + 1] : '\0';
            switch (c) {
                case ' ':
                case '\t':
                    endWord();
                    break;
                case '\n':
                    separator("\n");
                    break;
                case ';':
                    if (next == ';') {
                        // Ends a case branch, which a plain list has none of.
                        parseError = "zsh:1: parse error near `;;'";
                        break;
                    }
                    separator(";");
                    break;
                case '&':
                case '|':
                    if (next == c) {
                        separator(std::string(2, c));
                        ++i_;
                    } else {
                        note(unsupported, std::string(1, c));
                        separator(std::string(1, c));
                    }
                    break;
                case '<':
                case '>':
                case '(':
                case ')':
                case '{':
                case '}':
                    note(unsupported, std::string(1, c));
                    separator(std::string(1, c));
                    break;
                case '#':
                    if (inWord_) {
                        add(c);
                    } else {
                        // A comment runs to the end of the line.
                        while (i_ + 1 < text_.size() && text_[i_ + 1] != '\n') ++i_;
                    }
                    break;
                case '\\':
                    if (next == '\n') {
                        ++i_;
                    } else if (i_ + 1 < text_.size()) {
                        add(next);
                        ++i_;
                    }
                    break;
                case '\'':
                    singleQuoted(parseError);
                    break;
                case '"':
                    doubleQuoted(unsupported, parseError);
                    break;
                case '$':
                case '`':
                case '*':
                case '?':
                case '[':
                    note(unsupported, std::string(1, c));
                    add(c);
                    break;
                case '~':
                case '=':
                    // Expanded at the start of a word only.
                    if (!inWord_) note(unsupported, std::string(1, c));
                    add(c);
                    break;
                default:
                    add(c);
                    break;
            }
        }
        endWord();
        return std::move(tokens_);
    }

private:
    static void note(std::string& unsupported, std::string what) {
        if (unsupported.empty()) unsupported = std::move(what);
    }
    void add(char c) {
        word_ += c;
        inWord_ = true;
    }
    void endWord() {
        if (inWord_) tokens_.push_back({std::move(word_), false});
        word_.clear();
        inWord_ = false;
    }
    void separator(std::string text) {
        endWord();
        tokens_.push_back({std::move(text), true});
    }
    void singleQuoted(std::string& parseError) {
        auto close = text_.find('\'', i_ + 1);
        if (close == std::string::npos) {
            parseError = "zsh:1: unmatched '";
            return;
        }
        word_ += text_.substr(i_ + 1, close - i_ - 1);
        inWord_ = true;
        i_ = close;
    }
    void doubleQuoted(std::string& unsupported, std::string& parseError) {
        inWord_ = true;
        for (std::size_t j = i_ + 1; j < text_.size(); ++j) {
            const char c = text_[j];
            if (c == '"') {
                i_ = j;
                return;
            }
            if (c == '\\' && j + 1 < text_.size() &&
                std::string("\"\\$`\n").find(text_[j + 1]) != std::string::npos) {
                if (text_[j + 1] != '\n') word_ += text_[j + 1];
                ++j;
                continue;
            }
            if (c == '$' || c == '`') note(unsupported, std::string(1, c));
            word_ += c;
        }
        parseError = "zsh:1: unmatched \"";
    }

    const std::string& text_;
    std::size_t i_ = 0;
    std::string word_;
    bool inWord_ = false;
    std::vector<LineToken> tokens_;
};

}  // namespace

CommandLine CommandLine::parse(const std::string& text) {
    CommandLine line;
    auto tokens = LineReader(text).read(line.unsupported, line.parseError);

    Command current;
    for (const auto& token : tokens) {
        if (!token.separator) {
            current.words.push_back(token.text);
            continue;
        }
        const auto& op = token.text;
        if (current.words.empty()) {
            // zsh lets empty commands pass between other separators, but not before "&&" or "||".
            if ((op == "&&" || op == "||") && line.parseError.empty())
                line.parseError = "zsh:1: parse error near `" + op + "'";
            continue;
        }
        line.commands.push_back(std::move(current));
        current = Command{op == "&&"   ? Connector::ifSucceeded
                          : op == "||" ? Connector::ifFailed
                                       : Connector::always,
                          {}};
    }
    // A list may end in a dangling "&&" or "||": zsh runs what came before.
    if (!current.words.empty()) line.commands.push_back(std::move(current));
    return line;
}

std::vector<std::string> CommandLine::programs() const {
    std::vector<std::string> result;
    for (const auto& command : commands) {
        const auto& first = command.words.front();
        auto slash = first.rfind('/');
        result.push_back(slash == std::string::npos ? first : first.substr(slash + 1));
    }
    return result;
}

}  // namespace platform::sim

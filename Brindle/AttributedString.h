#pragma once

#include <any>
#include <map>
#include <string>
#include <vector>

#include "Brindle/StringExtensions.h"

namespace Brindle {

// Attribute values are plain data (a font name, a colour value, a link) under a text key.
using Attributes = std::map<std::string, std::any>;

// Text with attributes over ranges counted in UTF-16 units, as attributed text on the platform counts.
class MutableAttributedString {
public:
    struct Run {
        TextRange range;
        Attributes attributes;
    };

    MutableAttributedString() = default;
    explicit MutableAttributedString(std::string string) : string_(std::move(string)) {}

    const std::string& string() const { return string_; }
    // In UTF-16 units.
    int length() const { return utf16Length(string_); }

    // The range is clamped to the text; an empty range adds nothing.
    void addAttributes(const Attributes& attributes, TextRange range);
    // What applies at a UTF-16 position: later additions override earlier ones key by key.
    Attributes attributes(int location) const;
    const std::vector<Run>& runs() const { return runs_; }

private:
    std::string string_;
    std::vector<Run> runs_;
};

// With `convert`, `location` and `length` count characters and are turned into UTF-16 units first.
void addAttributes(MutableAttributedString& text, const Attributes& attributes, int location, int length,
                   bool convert);

}  // namespace Brindle

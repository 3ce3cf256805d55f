#include "platform/sim/DefaultsCommand.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace platform::sim {
namespace {

using Json = nlohmann::json;

CommandResult defaultsFailure(const std::string& message) { return {1, message + "\n"}; }

CommandResult defaultsUsage() {
    return defaultsFailure(
        "Command line interface to a user's defaults.\n"
        "Syntax: defaults read DOMAIN [KEY] | read-type DOMAIN KEY | write DOMAIN KEY "
        "[-bool|-int|-float|-string] VALUE | delete DOMAIN [KEY]");
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The value a typed argument stands for; none when the text does not fit the type.
std::optional<Json> typedValue(const std::string& type, const std::string& text) {
    if (type == "-bool" || type == "-boolean") {
        auto word = lowercased(text);
        if (word == "true" || word == "yes") return Json(true);
        if (word == "false" || word == "no") return Json(false);
        return std::nullopt;
    }
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    if (type == "-int" || type == "-integer") {
        long long number = std::strtoll(text.c_str(), &end, 10);
        if (*end || errno) return std::nullopt;
        return Json(number);
    }
    if (type == "-float") {
        double number = std::strtod(text.c_str(), &end);
        if (*end || errno) return std::nullopt;
        return Json(number);
    }
    return std::nullopt;
}

bool isTypeFlag(const std::string& word) {
    for (const char* flag : {"-bool", "-boolean", "-int", "-integer", "-float", "-string", "-array",
                             "-array-add", "-dict", "-dict-add", "-data", "-date"})
        if (word == flag) return true;
    return false;
}

std::string numberText(const Json& value) {
    if (value.is_number_float()) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", value.get<double>());
        return buffer;
    }
    return value.dump();
}

// A value as `defaults read` prints it alone: a bool as 1 or 0, a string as it is.
std::string plainText(const Json& value) {
    if (value.is_boolean()) return value.get<bool>() ? "1" : "0";
    if (value.is_string()) return value.get<std::string>();
    return numberText(value);
}

// Quoted unless it is a plain word, as a property list's text form writes strings.
std::string listText(const std::string& text) {
    bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '.' || c == '$' || c == '/';
    });
    if (plain) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string domainText(const Json& domain) {
    std::string text = "{\n";
    for (const auto& [key, value] : domain.items())
        text += "    " + listText(key) + " = " +
                (value.is_string() ? listText(value.get<std::string>()) : plainText(value)) + ";\n";
    return text + "}\n";
}

std::string pairMissing(const std::string& domain, const std::string& key) {
    return "The domain/default pair of (" + domain + ", " + key + ") does not exist";
}

CommandResult readValue(const std::vector<std::string>& arguments, const PreferenceDomains& domains) {
    if (arguments.size() < 2 || arguments.size() > 3) return defaultsUsage();
    const auto& name = arguments[1];
    auto domain = domains.find(name);
    if (domain == domains.end()) return defaultsFailure("Domain " + name + " does not exist");
    if (arguments.size() == 2) return {0, domainText(domain->second)};
    auto value = domain->second.find(arguments[2]);
    if (value == domain->second.end()) return defaultsFailure(pairMissing(name, arguments[2]));
    return {0, plainText(*value) + "\n"};
}

CommandResult readValueType(const std::vector<std::string>& arguments, const PreferenceDomains& domains) {
    if (arguments.size() != 3) return defaultsUsage();
    auto domain = domains.find(arguments[1]);
    if (domain == domains.end() || !domain->second.contains(arguments[2]))
        return defaultsFailure(pairMissing(arguments[1], arguments[2]));
    const auto& value = domain->second[arguments[2]];
    const char* type = value.is_boolean()          ? "boolean"
                       : value.is_number_integer() ? "integer"
                       : value.is_number()         ? "float"
                                                   : "string";
    return {0, std::string("Type is ") + type + "\n"};
}

CommandResult writeValue(const std::vector<std::string>& arguments, PreferenceDomains& domains) {
    if (arguments.size() != 4 && arguments.size() != 5) return defaultsUsage();
    Json value;
    if (arguments.size() == 4) {
        if (isTypeFlag(arguments[3])) return defaultsUsage();
        value = arguments[3];
    } else if (arguments[3] == "-string") {
        value = arguments[4];
    } else if (auto typed = typedValue(arguments[3], arguments[4])) {
        value = *typed;
    } else {
        return defaultsUsage();
    }
    auto& domain = domains[arguments[1]];
    if (!domain.is_object()) domain = Json::object();
    domain[arguments[2]] = std::move(value);
    return {};
}

CommandResult deleteValue(const std::vector<std::string>& arguments, PreferenceDomains& domains) {
    if (arguments.size() != 2 && arguments.size() != 3) return defaultsUsage();
    auto domain = domains.find(arguments[1]);
    if (domain == domains.end())
        return defaultsFailure("Domain (" + arguments[1] + ") not found.\nDefaults have not been changed.");
    if (arguments.size() == 2) {
        domains.erase(domain);
        return {};
    }
    if (!domain->second.erase(arguments[2])) return defaultsFailure(pairMissing(arguments[1], arguments[2]));
    return {};
}

}  // namespace

CommandResult runDefaults(const std::vector<std::string>& arguments, PreferenceDomains& domains) {
    if (arguments.empty()) return defaultsUsage();
    const auto& verb = arguments.front();
    if (verb == "read") return readValue(arguments, domains);
    if (verb == "read-type") return readValueType(arguments, domains);
    if (verb == "write") return writeValue(arguments, domains);
    if (verb == "delete") return deleteValue(arguments, domains);
    return defaultsUsage();
}

}  // namespace platform::sim

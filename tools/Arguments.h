#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvek {

struct OptionRule {
    std::string_view name;  // "--id"
    bool takesValue;
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;  // a flag maps to ""

    bool Has(std::string_view name) const { return options.find(name) != options.end(); }
    std::optional<std::string> Value(std::string_view name) const;
};

// Options and positional words in any order; "--name value" or "--name=value"; "--" ends the
// options. An unknown option, a missing value or an option given twice is an error.
std::variant<ParsedArguments, std::string> ParseArguments(std::span<const std::string> args,
                                                          std::span<const OptionRule> rules);

// Whole decimal number within [least, most]; nullopt for anything else.
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t least, std::int64_t most);

// Decimal number with an optional fraction within [least, most]; nullopt for anything else.
std::optional<double> ParseDecimal(std::string_view text, double least, double most);

}  // namespace orvek

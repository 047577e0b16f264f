#include "tools/Arguments.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvek {

std::optional<std::string> ParsedArguments::Value(std::string_view name) const
{
    const auto found = options.find(name);
    if (found == options.end()) return std::nullopt;
    return found->second;
}

std::variant<ParsedArguments, std::string> ParseArguments(std::span<const std::string> args,
                                                          std::span<const OptionRule> rules)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            parsed.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const auto rule = std::find_if(rules.begin(), rules.end(), [&](const OptionRule& s) { return s.name == name; });
        if (rule == rules.end()) return "unknown option " + name;
        if (parsed.Has(name)) return "option " + name + " given twice";
        std::string value;
        if (rule->takesValue) {
            if (equals != std::string::npos) {
                value = word.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return "option " + name + " needs a value";
            }
        } else if (equals != std::string::npos) {
            return "option " + name + " takes no value";
        }
        parsed.options.emplace(name, std::move(value));
    }
    return parsed;
}

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t least, std::int64_t most)
{
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (value < least || value > most) return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(std::string_view text, double least, double most)
{
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value) || value < least || value > most) return std::nullopt;
    return value;
}

}  // namespace orvek

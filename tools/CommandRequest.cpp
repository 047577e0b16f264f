#include "tools/CommandRequest.h"

#include "tools/Arguments.h"

#include <QDateTime>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace orvek {

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string FieldNamesText(const CommandDialog& dialog)
{
    std::string names;
    for (const DialogField& field : dialog.fields) {
        if (!names.empty()) names += ", ";
        names += field.name;
    }
    return names;
}

std::optional<FieldWidth> WidthOf(const Command& command, std::string_view fieldName)
{
    for (const PayloadItem& item : command.payload) {
        if (item.fieldName == fieldName) return item.width;
    }
    return std::nullopt;
}

// One NAME=VALUE word checked against the dialog as the operator's typing would be: a field
// of that name, no more characters than its edit box takes, a value its width holds.
std::variant<std::pair<std::string_view, std::string>, std::string> ParseFieldValue(const Command& command,
                                                                                    const std::string& word)
{
    const std::size_t equals = word.find('=');
    const std::string commandName = "command " + std::to_string(command.number);
    if (equals == std::string::npos || equals == 0) {
        return "'" + word + "' is not NAME=VALUE";
    }
    const std::string_view name = std::string_view(word).substr(0, equals);
    const std::string value = word.substr(equals + 1);
    const auto field = std::find_if(command.dialog->fields.begin(), command.dialog->fields.end(),
                                    [&](const DialogField& f) { return SameName(f.name, name); });
    if (field == command.dialog->fields.end()) {
        return commandName + " has no field " + std::string(name) + " (its fields: " + FieldNamesText(*command.dialog) +
               ")";
    }
    const std::optional<FieldWidth> width = WidthOf(command, field->name);
    if (width) {
        auto converted = ConvertFieldValue(value, *width, field->name, field->label);
        if (const auto* error = std::get_if<FieldError>(&converted)) return error->EnglishMessage();
    }
    if (value.size() > static_cast<std::size_t>(field->maxLength)) {
        return "value for field " + std::string(field->name) + " has more than " + std::to_string(field->maxLength) +
               " digits, which is all its dialog takes";
    }
    return std::pair{field->name, value};
}

}  // namespace

std::string CommandNumbersText()
{
    std::string text;
    const std::span<const Command> catalogue = Catalogue();
    for (std::size_t i = 0; i < catalogue.size();) {
        std::size_t last = i;
        while (last + 1 < catalogue.size() && catalogue[last + 1].number == catalogue[last].number + 1) ++last;
        if (!text.empty()) text += ", ";
        text += std::to_string(catalogue[i].number);
        if (last > i) text += "-" + std::to_string(catalogue[last].number);
        i = last + 1;
    }
    return text;
}

std::variant<CommandRequest, std::string> ParseCommandRequest(std::span<const std::string> words)
{
    if (words.empty()) return std::string("no command number given");
    const std::optional<std::int64_t> number = ParseInteger(words[0], 0, 1000000);
    if (!number) return "'" + words[0] + "' is not a command number";
    CommandRequest request;
    request.command = FindCommand(static_cast<int>(*number));
    if (request.command == nullptr) {
        return "there is no command " + words[0] + " (commands: " + CommandNumbersText() + ")";
    }
    const Command& command = *request.command;
    if (command.kind != CommandKind::Dialog && words.size() > 1) {
        return "command " + std::to_string(command.number) + " takes no NAME=VALUE (it has no dialog): '" + words[1] +
               "'";
    }
    for (const std::string& word : words.subspan(1)) {
        auto parsed = ParseFieldValue(command, word);
        if (const auto* error = std::get_if<std::string>(&parsed)) return *error;
        auto& value = std::get<std::pair<std::string_view, std::string>>(parsed);
        const bool repeated = std::any_of(request.values.begin(), request.values.end(),
                                          [&](const auto& given) { return given.first == value.first; });
        if (repeated) return "field " + std::string(value.first) + " given twice";
        request.values.push_back(std::move(value));
    }
    return request;
}

std::variant<std::vector<std::uint8_t>, std::string> BuildRequestMessage(const CommandRequest& request,
                                                                         const LocalDateTime& clock)
{
    const Command& command = *request.command;
    if (command.kind == CommandKind::SetClock) return SetClockMessage(clock);
    const auto fieldText = [&](std::string_view name) -> std::string {
        for (const auto& [given, text] : request.values) {
            if (given == name) return text;
        }
        if (command.dialog != nullptr) {
            for (const DialogField& field : command.dialog->fields) {
                if (field.name == name) return std::string(field.defaultValue);
            }
        }
        return {};
    };
    auto message = BuildMessage(command, fieldText);
    if (const auto* error = std::get_if<FieldError>(&message)) return error->EnglishMessage();
    return std::get<std::vector<std::uint8_t>>(std::move(message));
}

std::optional<LocalDateTime> ParseLocalDateTime(std::string_view text)
{
    // Exactly "YYYY-MM-DD hh:mm:ss": digits where digits stand, the separators in place.
    constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
    if (text.size() != kPattern.size()) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if ((kPattern[i] == 'd') != digit || (!digit && text[i] != kPattern[i])) return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    const LocalDateTime at{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
    using namespace std::chrono;
    const year_month_day date{year{at.year}, month{static_cast<unsigned>(at.month)},
                              day{static_cast<unsigned>(at.day)}};
    if (!date.ok() || at.hour > 23 || at.minute > 59 || at.second > 59) return std::nullopt;
    return at;
}

LocalDateTime CurrentLocalDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

}  // namespace orvek

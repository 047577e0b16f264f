#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace orvek {

enum class FieldWidth : std::uint8_t { U8, U16, U32 };

struct DialogField {
    std::string_view label;
    std::string_view name;
    std::string_view defaultValue;
    int maxLength;  // characters that can be typed
};

struct CommandDialog {
    std::string_view name;  // "MQD_4"
    std::string_view caption;
    int labelWidth;
    int editWidth;
    std::span<const DialogField> fields;  // top to bottom
};

// One payload item: a dialog field by name, or a constant 0 byte when fieldName is empty.
struct PayloadItem {
    std::string_view fieldName;
    FieldWidth width;
};

enum class CommandKind : std::uint8_t {
    Plain,     // no parameters
    SetClock,  // PC clock
    Dialog,    // parameters from its dialog
};

struct Command {
    int number;                  // also the message code sent
    std::string_view action;     // "ACT_fw"
    std::string_view caption;    // "(1) Leggi Firmware"
    std::string_view handler;    // "ACT_fwExecute"
    CommandKind kind;
    const CommandDialog* dialog;  // Dialog kind only
    std::span<const PayloadItem> payload;
    std::string_view confirmation;  // asked (Yes/No) before sending; empty for none
};

// The 25 commands in panel order.
std::span<const Command> Catalogue();

// nullptr when there is no command with that number.
const Command* FindCommand(int number);

}  // namespace orvek

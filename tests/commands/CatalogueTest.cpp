#include "commands/Catalogue.h"
#include "commands/Payload.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {
namespace {

struct CommandRow {
    int number;
    std::string_view action;
    std::string_view caption;
    std::string_view handler;
    CommandKind kind;
    std::string_view dialog;  // empty for none
    std::size_t payloadBytes;
};

struct FieldRow {
    std::string_view label;
    std::string_view name;
    std::string_view defaultValue;
    int maxLength;
};

struct DialogRow {
    std::string_view name;
    std::string_view caption;
    int labelWidth;
    int editWidth;
    std::vector<FieldRow> fields;
};

struct PayloadRow {
    int number;
    std::vector<PayloadItem> items;
};

// Copied from the reader's command list, not from the catalogue source, so a typo in either shows.
const std::vector<CommandRow> kCommandRows{
    {1, "ACT_fw", "(1) Leggi Firmware", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {2, "ACT_memFree", "(2) Memoria Libera", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {3, "ACT_setClock", "(3) Imposta orario", "ACT_setClockExecute", CommandKind::SetClock, "", 7},
    {4, "ACT_setBeep", "(4) Imposta Beep", "ACT_setBeepExecute", CommandKind::Dialog, "MQD_4", 6},
    {5, "ACT_5leggiOra", "(5) Leggi orario", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {6, "ACT_6setId", "(6) Set Identificativo", "ACT_6setIdExecute", CommandKind::Dialog, "MQD_6", 1},
    {7, "ACT_7resetTimer", "(7) Reset timer", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {8, "ACT_8resetMem", "(8) Reset memoria", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {9, "ACT_9readTrans", "(9) Interroga transiti", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {10, "ACT_10rimandaPass", "(10) Rimanda passaggio", "ACT_10rimandaPassExecute", CommandKind::Dialog, "MQD_10", 7},
    {11, "ACT_11autoInvio", "(11) Invio automatico", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {12, "ACT_12stopInvio", "(12) Stop invio auto", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {13, "ACT_13setRidond", "(13) Set ridondanze", "ACT_13setRidondExecute", CommandKind::Dialog, "MQD_13", 1},
    {14, "ACT_14setRilascio", "(14) Tempo rilascio", "ACT_14setRilascioExecute", CommandKind::Dialog, "MQD_14", 2},
    {16, "ACT_16start", "(16) Start sessione", "ACT_16startExecute", CommandKind::Dialog, "MQD_16", 1},
    {17, "ACT_17stopSess", "(17) Stop sessione", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {18, "ACT_18paramFC", "(18) Parametri fotocellula", "ACT_18paramFCExecute", CommandKind::Dialog, "MQD_18", 6},
    {19, "ACT_19modalita", "(19) Modalità di lavoro", "ACT_19modalitaExecute", CommandKind::Dialog, "MQD_19", 2},
    {20, "ACT_20pcbeep", "(20) Contatto transponder", "ACT_20pcbeepExecute", CommandKind::Dialog, "MQD_20", 1},
    {50, "ACT_50cache", "(50) Commitment cache", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {51, "ACT_51autostart", "(51) Autostart", "ACT_51autostartExecute", CommandKind::Dialog, "MQD_51", 1},
    {52, "ACT_52manuale", "(52) Transito manuale", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {53, "ACT_53setSens", "(53) Imposta sensibilità", "ACT_53setSensExecute", CommandKind::Dialog, "MQD_53", 2},
    {54, "ACT_54leggiSens", "(54) Consulta sensibilità", "ACT_fwExecute", CommandKind::Plain, "", 0},
    {98, "ACT_98setHw", "(98) Configura hardware", "ACT_98setHwExecute", CommandKind::Dialog, "MQD_98", 4},
};
const std::vector<DialogRow> kDialogRows{
    {"MQD_4",
     "Parametri Beep",
     150,
     100,
     {
         {"Frequenza", "Frequenza", "2500", 4},
         {"Durata (0 disabilitato)", "Durata", "90", 3},
         {"Pausa", "Pausa", "100", 3},
     }},
    {"MQD_6",
     "Identificativo Lettore",
     100,
     100,
     {
         {"Valore (0-250)", "Valore", "1", 3},
     }},
    {"MQD_10",
     "Rimanda passaggio",
     150,
     100,
     {
         {"Progressivo (0 tutti)", "Progressivo", "0", 10},
         {"Quantità (0 tutti)", "Numero", "1", 5},
         {"Tipo (0= 80, 1= 90)", "Tipo", "0", 1},
     }},
    {"MQD_13",
     "Numero ridondanze",
     150,
     100,
     {
         {"Ridondanze (1-20)", "Ridondanze", "5", 2},
     }},
    {"MQD_14",
     "Tempo rilascio transiti",
     150,
     100,
     {
         {"Tempo (ms 20-2000)", "Tempo", "250", 4},
     }},
    {"MQD_16",
     "Start sessione",
     250,
     100,
     {
         {"Tipo (0= Non salvare, 1= Salva in memoria)", "Tipo", "0", 1},
     }},
    {"MQD_18",
     "Parametri Fotocellula",
     300,
     100,
     {
         {"Tempo minimo interr. (0= disabilitato, 1000=Reset timer)", "Tempo", "100", 4},
         {"Attesa (ms 10-3000)", "Attesa", "500", 4},
         {"Tipo (0= NO, 1= NC)", "Tipo", "0", 1},
         {"Fotocellula (1-2)", "Fotocellula", "1", 1},
     }},
    {"MQD_19",
     "Modalità di lavoro",
     200,
     100,
     {
         {"Tipo (0= Relativa, 1= Assoluta)", "Tipo", "0", 1},
     }},
    {"MQD_20",
     "Abilita invio contatto transponder",
     200,
     100,
     {
         {"Tipo (0= Disabilitato, 1= Abilitato)", "Tipo", "0", 1},
     }},
    {"MQD_51",
     "Autostart",
     300,
     100,
     {
         {"Tipo (0= senza memorizz., 99= Memorizza transiti)", "Tipo", "0", 2},
     }},
    {"MQD_53",
     "Regolazione sensibilità",
     300,
     100,
     {
         {"Booster (0= minimo, 1= massimo)", "Booster", "0", 1},
         {"Livello (1-5 1= Sens. minima - 5= Sens. massima) ", "Livello", "3", 1},
     }},
    {"MQD_98",
     "Impostazione hardware",
     60,
     150,
     {
         {"Valore", "Valore", "0", 10},
     }},
};
const std::vector<PayloadRow> kPayloadRows{
    {4,
     {
         {"Frequenza", FieldWidth::U16},
         {"Durata", FieldWidth::U16},
         {"Pausa", FieldWidth::U16},
     }},
    {6,
     {
         {"Valore", FieldWidth::U8},
     }},
    {10,
     {
         {"Progressivo", FieldWidth::U32},
         {"Numero", FieldWidth::U16},
         {"Tipo", FieldWidth::U8},
     }},
    {13,
     {
         {"Ridondanze", FieldWidth::U8},
     }},
    {14,
     {
         {"Tempo", FieldWidth::U16},
     }},
    {16,
     {
         {"Tipo", FieldWidth::U8},
     }},
    {18,
     {
         {"Tempo", FieldWidth::U16},
         {"Attesa", FieldWidth::U16},
         {"Tipo", FieldWidth::U8},
         {"Fotocellula", FieldWidth::U8},
     }},
    {19,
     {
         {"", FieldWidth::U8},
         {"Tipo", FieldWidth::U8},
     }},
    {20,
     {
         {"Tipo", FieldWidth::U8},
     }},
    {51,
     {
         {"Tipo", FieldWidth::U8},
     }},
    {53,
     {
         {"Booster", FieldWidth::U8},
         {"Livello", FieldWidth::U8},
     }},
    {98,
     {
         {"Valore", FieldWidth::U32},
     }},
};

std::size_t ByteCount(FieldWidth width) { return width == FieldWidth::U8 ? 1 : width == FieldWidth::U16 ? 2 : 4; }

std::size_t PayloadBytes(const Command& command)
{
    // The clock payload comes from the PC clock, not from the table.
    if (command.kind == CommandKind::SetClock) {
        return SetClockMessage({2024, 5, 5, 14, 7, 9}).size() - 1;
    }
    std::size_t bytes = 0;
    for (const PayloadItem& item : command.payload) {
        bytes += ByteCount(item.width);
    }
    return bytes;
}

const Command* FindByDialog(std::string_view dialogName)
{
    const auto commands = Catalogue();
    const auto found = std::ranges::find_if(
        commands, [&](const Command& c) { return c.dialog != nullptr && c.dialog->name == dialogName; });
    return found == commands.end() ? nullptr : &*found;
}

TEST(CatalogueTest, HoldsTheTwentyFiveCommandsInPanelOrder)
{
    const auto commands = Catalogue();
    ASSERT_EQ(commands.size(), kCommandRows.size());
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Command& command = commands[i];
        const CommandRow& row = kCommandRows[i];
        SCOPED_TRACE(row.caption);
        EXPECT_EQ(command.number, row.number);
        EXPECT_EQ(command.action, row.action);
        EXPECT_EQ(command.caption, row.caption);
        EXPECT_EQ(command.handler, row.handler);
        EXPECT_EQ(command.kind, row.kind);
        EXPECT_EQ(command.dialog == nullptr ? std::string_view{} : command.dialog->name, row.dialog);
        EXPECT_EQ(PayloadBytes(command), row.payloadBytes);
    }
}

TEST(CatalogueTest, DialogsHaveTheirCaptionsSizesAndFields)
{
    for (const DialogRow& row : kDialogRows) {
        SCOPED_TRACE(row.name);
        const Command* command = FindByDialog(row.name);
        ASSERT_NE(command, nullptr);
        const CommandDialog& dialog = *command->dialog;
        EXPECT_EQ(dialog.caption, row.caption);
        EXPECT_EQ(dialog.labelWidth, row.labelWidth);
        EXPECT_EQ(dialog.editWidth, row.editWidth);
        ASSERT_EQ(dialog.fields.size(), row.fields.size());
        for (std::size_t i = 0; i < row.fields.size(); ++i) {
            SCOPED_TRACE(row.fields[i].name);
            EXPECT_EQ(dialog.fields[i].label, row.fields[i].label);
            EXPECT_EQ(dialog.fields[i].name, row.fields[i].name);
            EXPECT_EQ(dialog.fields[i].defaultValue, row.fields[i].defaultValue);
            EXPECT_EQ(dialog.fields[i].maxLength, row.fields[i].maxLength);
        }
    }
}

TEST(CatalogueTest, PayloadLayoutsMatchTheReader)
{
    std::size_t dialogCommands = 0;
    for (const Command& command : Catalogue()) {
        SCOPED_TRACE(command.caption);
        const auto row = std::ranges::find(kPayloadRows, command.number, &PayloadRow::number);
        if (command.kind != CommandKind::Dialog) {
            EXPECT_TRUE(command.payload.empty());
            EXPECT_EQ(row, kPayloadRows.end());
            continue;
        }
        ++dialogCommands;
        ASSERT_NE(row, kPayloadRows.end());
        ASSERT_EQ(command.payload.size(), row->items.size());
        for (std::size_t i = 0; i < row->items.size(); ++i) {
            EXPECT_EQ(command.payload[i].fieldName, row->items[i].fieldName);
            EXPECT_EQ(command.payload[i].width, row->items[i].width);
        }
    }
    EXPECT_EQ(dialogCommands, kPayloadRows.size());
}

// Every payload field is read from its own dialog, and no dialog field is left unsent.
TEST(CatalogueTest, PayloadFieldsAndDialogFieldsCorrespondOneToOne)
{
    for (const Command& command : Catalogue()) {
        if (command.kind != CommandKind::Dialog) {
            continue;
        }
        SCOPED_TRACE(command.caption);
        ASSERT_NE(command.dialog, nullptr);
        EXPECT_EQ(command.dialog->name, "MQD_" + std::to_string(command.number));
        for (const PayloadItem& item : command.payload) {
            if (!item.fieldName.empty()) {
                EXPECT_TRUE(std::ranges::count(command.dialog->fields, item.fieldName, &DialogField::name) == 1)
                    << item.fieldName;
            }
        }
        for (const DialogField& field : command.dialog->fields) {
            EXPECT_EQ(std::ranges::count(command.payload, field.name, &PayloadItem::fieldName), 1) << field.name;
        }
    }
}

TEST(CatalogueTest, OnlyResetMemoryAsksForConfirmation)
{
    for (const Command& command : Catalogue()) {
        SCOPED_TRACE(command.caption);
        EXPECT_EQ(command.confirmation,
                  command.number == 8 ? "Confermi l'azzeramento della memoria?" : std::string_view{});
    }
}

// The source must be saved as UTF-8: the dialogs show these bytes as they are.
TEST(CatalogueTest, AccentedTextIsUtf8)
{
    const Command* resend = FindCommand(10);
    ASSERT_NE(resend, nullptr);
    EXPECT_EQ(resend->dialog->fields[1].label, "Quantit\xC3\xA0 (0 tutti)");
    EXPECT_EQ(FindCommand(53)->caption, "(53) Imposta sensibilit\xC3\xA0");
}

TEST(CatalogueTest, FindCommandFindsOnlyCatalogueNumbers)
{
    for (const CommandRow& row : kCommandRows) {
        const Command* command = FindCommand(row.number);
        ASSERT_NE(command, nullptr) << row.number;
        EXPECT_EQ(command->caption, row.caption);
    }
    // 257 and 260 have the low byte of a command number.
    for (const int missing : {0, 15, 21, 49, 55, 97, 99, 255, 257, 260, -1}) {
        EXPECT_EQ(FindCommand(missing), nullptr) << missing;
    }
}

}  // namespace
}  // namespace orvek

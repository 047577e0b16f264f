#include "commands/Catalogue.h"

#include <algorithm>
#include <array>
#include <functional>

namespace orvek {

namespace {

constexpr std::array kBeepFields{
    DialogField{"Frequenza", "Frequenza", "2500", 4},
    DialogField{"Durata (0 disabilitato)", "Durata", "90", 3},
    DialogField{"Pausa", "Pausa", "100", 3},
};
constexpr std::array kReaderIdFields{
    DialogField{"Valore (0-250)", "Valore", "1", 3},
};
constexpr std::array kResendFields{
    DialogField{"Progressivo (0 tutti)", "Progressivo", "0", 10},
    DialogField{"Quantità (0 tutti)", "Numero", "1", 5},
    DialogField{"Tipo (0= 80, 1= 90)", "Tipo", "0", 1},
};
constexpr std::array kRedundancyFields{
    DialogField{"Ridondanze (1-20)", "Ridondanze", "5", 2},
};
constexpr std::array kReleaseTimeFields{
    DialogField{"Tempo (ms 20-2000)", "Tempo", "250", 4},
};
constexpr std::array kSessionStartFields{
    DialogField{"Tipo (0= Non salvare, 1= Salva in memoria)", "Tipo", "0", 1},
};
constexpr std::array kPhotocellFields{
    DialogField{"Tempo minimo interr. (0= disabilitato, 1000=Reset timer)", "Tempo", "100", 4},
    DialogField{"Attesa (ms 10-3000)", "Attesa", "500", 4},
    DialogField{"Tipo (0= NO, 1= NC)", "Tipo", "0", 1},
    DialogField{"Fotocellula (1-2)", "Fotocellula", "1", 1},
};
constexpr std::array kWorkingModeFields{
    DialogField{"Tipo (0= Relativa, 1= Assoluta)", "Tipo", "0", 1},
};
constexpr std::array kContactFields{
    DialogField{"Tipo (0= Disabilitato, 1= Abilitato)", "Tipo", "0", 1},
};
constexpr std::array kAutostartFields{
    DialogField{"Tipo (0= senza memorizz., 99= Memorizza transiti)", "Tipo", "0", 2},
};
constexpr std::array kSensitivityFields{
    DialogField{"Booster (0= minimo, 1= massimo)", "Booster", "0", 1},
    // The reader's own label text ends with a blank.
    DialogField{"Livello (1-5 1= Sens. minima - 5= Sens. massima) ", "Livello", "3", 1},
};
constexpr std::array kHardwareFields{
    DialogField{"Valore", "Valore", "0", 10},
};

constexpr CommandDialog kBeepDialog{"MQD_4", "Parametri Beep", 150, 100, kBeepFields};
constexpr CommandDialog kReaderIdDialog{"MQD_6", "Identificativo Lettore", 100, 100, kReaderIdFields};
constexpr CommandDialog kResendDialog{"MQD_10", "Rimanda passaggio", 150, 100, kResendFields};
constexpr CommandDialog kRedundancyDialog{"MQD_13", "Numero ridondanze", 150, 100, kRedundancyFields};
constexpr CommandDialog kReleaseTimeDialog{"MQD_14", "Tempo rilascio transiti", 150, 100, kReleaseTimeFields};
constexpr CommandDialog kSessionStartDialog{"MQD_16", "Start sessione", 250, 100, kSessionStartFields};
constexpr CommandDialog kPhotocellDialog{"MQD_18", "Parametri Fotocellula", 300, 100, kPhotocellFields};
constexpr CommandDialog kWorkingModeDialog{"MQD_19", "Modalità di lavoro", 200, 100, kWorkingModeFields};
constexpr CommandDialog kContactDialog{"MQD_20", "Abilita invio contatto transponder", 200, 100, kContactFields};
constexpr CommandDialog kAutostartDialog{"MQD_51", "Autostart", 300, 100, kAutostartFields};
constexpr CommandDialog kSensitivityDialog{"MQD_53", "Regolazione sensibilità", 300, 100, kSensitivityFields};
constexpr CommandDialog kHardwareDialog{"MQD_98", "Impostazione hardware", 60, 150, kHardwareFields};

constexpr std::array kBeepPayload{
    PayloadItem{"Frequenza", FieldWidth::U16},
    PayloadItem{"Durata", FieldWidth::U16},
    PayloadItem{"Pausa", FieldWidth::U16},
};
constexpr std::array kReaderIdPayload{PayloadItem{"Valore", FieldWidth::U8}};
constexpr std::array kResendPayload{
    PayloadItem{"Progressivo", FieldWidth::U32},
    PayloadItem{"Numero", FieldWidth::U16},
    PayloadItem{"Tipo", FieldWidth::U8},
};
constexpr std::array kRedundancyPayload{PayloadItem{"Ridondanze", FieldWidth::U8}};
constexpr std::array kReleaseTimePayload{PayloadItem{"Tempo", FieldWidth::U16}};
constexpr std::array kTypeBytePayload{PayloadItem{"Tipo", FieldWidth::U8}};
constexpr std::array kPhotocellPayload{
    PayloadItem{"Tempo", FieldWidth::U16},
    PayloadItem{"Attesa", FieldWidth::U16},
    PayloadItem{"Tipo", FieldWidth::U8},
    PayloadItem{"Fotocellula", FieldWidth::U8},
};
// The reader expects the mode in the second byte, after a constant 0x00.
constexpr std::array kWorkingModePayload{
    PayloadItem{"", FieldWidth::U8},
    PayloadItem{"Tipo", FieldWidth::U8},
};
constexpr std::array kSensitivityPayload{
    PayloadItem{"Booster", FieldWidth::U8},
    PayloadItem{"Livello", FieldWidth::U8},
};
constexpr std::array kHardwarePayload{PayloadItem{"Valore", FieldWidth::U32}};

constexpr Command Plain(int number, std::string_view action, std::string_view caption,
                        std::string_view confirmation = {})
{
    return Command{number, action, caption, "ACT_fwExecute", CommandKind::Plain, nullptr, {}, confirmation};
}

constexpr Command WithDialog(int number, std::string_view action, std::string_view caption, std::string_view handler,
                             const CommandDialog& dialog, std::span<const PayloadItem> payload)
{
    return Command{number, action, caption, handler, CommandKind::Dialog, &dialog, payload, {}};
}

constexpr std::array kCommands{
    Plain(1, "ACT_fw", "(1) Leggi Firmware"),
    Plain(2, "ACT_memFree", "(2) Memoria Libera"),
    Command{3, "ACT_setClock", "(3) Imposta orario", "ACT_setClockExecute", CommandKind::SetClock, nullptr, {}, {}},
    WithDialog(4, "ACT_setBeep", "(4) Imposta Beep", "ACT_setBeepExecute", kBeepDialog, kBeepPayload),
    Plain(5, "ACT_5leggiOra", "(5) Leggi orario"),
    WithDialog(6, "ACT_6setId", "(6) Set Identificativo", "ACT_6setIdExecute", kReaderIdDialog, kReaderIdPayload),
    Plain(7, "ACT_7resetTimer", "(7) Reset timer"),
    Plain(8, "ACT_8resetMem", "(8) Reset memoria", "Confermi l'azzeramento della memoria?"),
    Plain(9, "ACT_9readTrans", "(9) Interroga transiti"),
    WithDialog(10, "ACT_10rimandaPass", "(10) Rimanda passaggio", "ACT_10rimandaPassExecute", kResendDialog,
               kResendPayload),
    Plain(11, "ACT_11autoInvio", "(11) Invio automatico"),
    Plain(12, "ACT_12stopInvio", "(12) Stop invio auto"),
    WithDialog(13, "ACT_13setRidond", "(13) Set ridondanze", "ACT_13setRidondExecute", kRedundancyDialog,
               kRedundancyPayload),
    WithDialog(14, "ACT_14setRilascio", "(14) Tempo rilascio", "ACT_14setRilascioExecute", kReleaseTimeDialog,
               kReleaseTimePayload),
    WithDialog(16, "ACT_16start", "(16) Start sessione", "ACT_16startExecute", kSessionStartDialog, kTypeBytePayload),
    Plain(17, "ACT_17stopSess", "(17) Stop sessione"),
    WithDialog(18, "ACT_18paramFC", "(18) Parametri fotocellula", "ACT_18paramFCExecute", kPhotocellDialog,
               kPhotocellPayload),
    WithDialog(19, "ACT_19modalita", "(19) Modalità di lavoro", "ACT_19modalitaExecute", kWorkingModeDialog,
               kWorkingModePayload),
    WithDialog(20, "ACT_20pcbeep", "(20) Contatto transponder", "ACT_20pcbeepExecute", kContactDialog,
               kTypeBytePayload),
    Plain(50, "ACT_50cache", "(50) Commitment cache"),
    WithDialog(51, "ACT_51autostart", "(51) Autostart", "ACT_51autostartExecute", kAutostartDialog, kTypeBytePayload),
    Plain(52, "ACT_52manuale", "(52) Transito manuale"),
    WithDialog(53, "ACT_53setSens", "(53) Imposta sensibilità", "ACT_53setSensExecute", kSensitivityDialog,
               kSensitivityPayload),
    Plain(54, "ACT_54leggiSens", "(54) Consulta sensibilità"),
    WithDialog(98, "ACT_98setHw", "(98) Configura hardware", "ACT_98setHwExecute", kHardwareDialog, kHardwarePayload),
};

static_assert(kCommands.size() == 25);
// Strictly ascending: the panel order, and one command per number.
static_assert(std::ranges::adjacent_find(kCommands, std::ranges::greater_equal{}, &Command::number) == kCommands.end());

}  // namespace

std::span<const Command> Catalogue() { return kCommands; }

const Command* FindCommand(int number)
{
    const auto found = std::ranges::find(kCommands, number, &Command::number);
    return found == kCommands.end() ? nullptr : &*found;
}

}  // namespace orvek

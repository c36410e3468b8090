#pragma once

#include <QMetaType>

// A command that a node of the energizer states model can be sent. The value
// travels by value in queued signals and is stored as a decimal integer in the
// project file, so the numbers are fixed.
enum CommandSend : int {
    ResendCommand = 0,        // resend the node's current command bytes
    EnergizersActive = 1,     // all energizers on or off
    ActivateZone1 = 2,
    ActivateZone2 = 3,
    ActivateEnergZone1 = 4,
    ActivateEnergZone2 = 5,
    ActivateEnerg = 6,        // both zones on or off
    EnergizersHiLo = 7,       // true = low voltage on both zones
    LowVoltageZone1 = 8,
    LowVoltageZone2 = 9,
    SoundAlarmActive = 10,
    ClrAlms = 11,
    ActivateRelay1 = 12,
    ActivateRelay2 = 13,
    ActivateRelay3 = 14,
    ActivateRelay4 = 15,
    ActivateRelay5 = 16,
    ActivateRelay6 = 17,
    ActivateRelay7 = 18,
    ActivateRelay8 = 19,
    GlobalMode = 20           // value 0..3 = Off/Low, Off/Hi, On/Low, On/Hi
};

Q_DECLARE_METATYPE(CommandSend)

// Registers the type under both names that signal signatures use for it.
void registerCommandSendMetaType();

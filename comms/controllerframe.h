#pragma once

#include <QByteArray>
#include <QtGlobal>

// The framing both controllers speak: a seven-byte header in the manner of
// Modbus/TCP (transaction id, protocol id, length, unit id), then a function
// code and its body, every multi-byte field high byte first. Builds the frames
// the program sends and reads the fields of received ones.
class ControllerFrame
{
public:
    enum FunctionCode : quint8 {
        ReadRegisters = 3,
        WriteRegisters = 16,
        ConfigurationRead = 20,
        ConfigurationWrite = 21,
        DeviceIdentification = 43,
        Heartbeat = 90,
        ConfigurationRegisters = 100,
    };

    static constexpr int kHeaderSize = 8;       // header with the function code
    static constexpr int kLengthBias = 6;       // frame size = 6 + length field
    static constexpr int kDeviceCommandSize = 21;
    static constexpr int kReadRequestSize = 12;
    static constexpr int kAcknowledgementSize = 8;
    static constexpr quint8 kUnitId = 1;
    static constexpr quint8 kEnergizerCommand = 5;
    static constexpr quint8 kIoCardCommand = 7;
    static constexpr quint8 kClearAlarms = 3;
    static constexpr char kIdentification[] = "Bre--nik";

    // True for the function codes a controller may send us.
    static bool isKnownFunction(quint8 code);

    // The longest frames the controllers send, as length fields. A register
    // write and the identification count their data in one byte after the
    // register window; configuration registers run to 2026 bytes.
    static constexpr int kLargestWindowLength = 13 + 255 - kLengthBias;
    static constexpr int kLargestConfigurationLength = 2030;
    // The limit both links share for a code whose frames they share; 0 for
    // a code each link bounds on its own (read replies, heartbeats).
    static int sharedLengthLimit(quint8 code);

    // Field readers on a received frame; the caller guarantees the bytes are there.
    static quint16 word(const uchar* frame, int offset) { return quint16(frame[offset] << 8 | frame[offset + 1]); }
    static quint16 length(const uchar* frame) { return word(frame, 4); }
    static quint8 function(const uchar* frame) { return frame[7]; }

    static QByteArray hello();
    static QByteArray readRequest(int startRegister, int registerCount);
    // Command block for an energizer (iocard false) or an IO card, whose relay
    // byte is onoff.
    static QByteArray deviceCommand(int device, char hvlv, char onoff, char clearAlrm, bool iocard);
    // Acknowledges a received frame: its ids, length 0, its unit and function.
    static QByteArray acknowledgement(const uchar* frame);
    static QByteArray configurationWriteRequest();
    static QByteArray configurationReadRequest();
    static QByteArray controllerResetRequest();

    // The 8 command bytes of a device command frame.
    static constexpr int kCommandBlockOffset = 13;
    static constexpr int kCommandBlockSize = 8;

private:
    static QByteArray header(quint16 length, quint8 function);
};

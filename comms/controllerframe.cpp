#include "controllerframe.h"

namespace {

void appendWord(QByteArray& frame, int value)
{
    frame.append(char((value >> 8) & 0xFF));
    frame.append(char(value & 0xFF));
}

// Register window of the write frames we send: start 0, 8 registers, 8 bytes.
void appendCommandWindow(QByteArray& frame, int registers)
{
    appendWord(frame, 0);
    appendWord(frame, registers);
    frame.append(char(registers));
}

} // namespace

constexpr char ControllerFrame::kIdentification[];

bool ControllerFrame::isKnownFunction(quint8 code)
{
    switch (code) {
    case ReadRegisters:
    case WriteRegisters:
    case DeviceIdentification:
    case Heartbeat:
    case ConfigurationRegisters:
        return true;
    default:
        return false;
    }
}

int ControllerFrame::sharedLengthLimit(quint8 code)
{
    switch (code) {
    case WriteRegisters:
    case DeviceIdentification:
        return kLargestWindowLength;
    case ConfigurationRegisters:
        return kLargestConfigurationLength;
    default:
        return 0;
    }
}

QByteArray ControllerFrame::header(quint16 length, quint8 function)
{
    QByteArray frame;
    frame.reserve(kLengthBias + length);
    appendWord(frame, 0);   // transaction id
    appendWord(frame, 1);   // protocol id: the controllers expect 1
    appendWord(frame, length);
    frame.append(char(kUnitId));
    frame.append(char(function));
    return frame;
}

QByteArray ControllerFrame::hello()
{
    QByteArray frame = header(15, DeviceIdentification);
    appendCommandWindow(frame, 8);
    frame.append(kIdentification, 8);
    return frame;
}

QByteArray ControllerFrame::readRequest(int startRegister, int registerCount)
{
    QByteArray frame = header(6, ReadRegisters);
    frame.append(char(startRegister > 255 ? (startRegister / 256) & 0xFF : 0));
    frame.append(char(startRegister % 256));
    frame.append(char(0));
    frame.append(char(registerCount % 256));
    return frame;
}

QByteArray ControllerFrame::deviceCommand(int device, char hvlv, char onoff, char clearAlrm, bool iocard)
{
    QByteArray frame = header(15, WriteRegisters);
    appendCommandWindow(frame, kCommandBlockSize);
    frame.append(char(device & 0xFF));
    frame.append(char(0));
    if (iocard) {
        frame.append(char(kIoCardCommand));
        frame.append(onoff);
        frame.append(QByteArray(4, '\0'));
    } else {
        frame.append(char(kEnergizerCommand));
        frame.append(hvlv);
        frame.append(onoff);
        frame.append(clearAlrm);
        frame.append(QByteArray(2, '\0'));
    }
    return frame;
}

QByteArray ControllerFrame::acknowledgement(const uchar* frame)
{
    QByteArray ack(kAcknowledgementSize, '\0');
    for (int i = 0; i < 4; ++i)
        ack[i] = char(frame[i]);
    // Length stays 0 although unit and function follow: the gateway expects it so.
    ack[6] = char(frame[6]);
    ack[7] = char(frame[7]);
    return ack;
}

QByteArray ControllerFrame::configurationWriteRequest()
{
    // Only the header is fixed; the register body goes out zeroed.
    QByteArray frame = header(55, ConfigurationWrite);
    frame.append(QByteArray(55 - 2, '\0'));
    return frame;
}

QByteArray ControllerFrame::configurationReadRequest()
{
    QByteArray frame = header(7, ConfigurationRead);
    frame.append(char(4));  // request: energizer configuration
    frame.append(QByteArray(4, '\0'));
    return frame;
}

QByteArray ControllerFrame::controllerResetRequest()
{
    // 13 in the length field, as the controllers know this request, and a
    // clear-alarms command block for device 0 over 7 registers.
    QByteArray frame = header(13, WriteRegisters);
    appendCommandWindow(frame, 7);
    const char block[] = {0, 0, char(kEnergizerCommand), 0, 0, char(kClearAlarms), 0};
    frame.append(block, sizeof block);
    return frame;
}

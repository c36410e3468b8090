#pragma once

#include "commandsend.h"
#include "devicestatus.h"
#include "kx4data.h"
#include "linklosswatch.h"
#include "node.h"

#include <QHash>
#include <QList>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTime>
#include <QVariant>

#include <array>
#include <atomic>

class TreeModel;

// Turns the gateway's device data into the state of the energizer states
// model, and node commands into device command writes; applies the output
// mapping (energizer inputs drive IO card relays) and the input mapping (IO
// card inputs drive energizer zones or the global mode).
//
// Lives on its own thread. Every slot holds the site mutex for its whole
// body, so the GUI thread never sees a row half written; the signals reach
// their receivers queued, after the write they report.
class ControlUnit : public QObject
{
    Q_OBJECT
public:
    static constexpr int ImageBlockCount = 64;
    static constexpr int LastEnergizer = Node::kMaxEnergizers;
    static constexpr int FirstIOCard = 33;
    static constexpr int LastDevice = 63;
    static constexpr int IOCardInputCount = 8;
    static constexpr int RelayCount = 8;
    static constexpr int EnergizerInputCount = 13;
    // Positions in a row's output area.
    static constexpr int HvlvByte = 3;
    static constexpr int OnoffByte = 4;
    // Record bytes read for the zone bits and the IO card relays.
    static constexpr int Zone1Byte = 13;
    static constexpr int Zone2Byte = 20;
    static constexpr int IOCardRelayByte = 6;
    static constexpr quint8 ZoneOnBit = 0x80;
    static constexpr quint8 ZoneHighVoltageBit = 0x02;
    static constexpr char ClearAlarmValue = 3;
    // Columns of a device row that the unit writes.
    static constexpr int NameColumn = 0;
    static constexpr int StatusColumn = Node::kStatusColumn;
    static constexpr int Sector1Column = Node::kSector1Column;
    static constexpr int Sector2Column = Node::kSector2Column;
    static constexpr int DurationColumn = 7;
    static constexpr int AttemptsColumn = 8;
    static constexpr int LastTryColumn = 9;
    static inline const QString LastTryFormat = QStringLiteral("hh:mm:ss dd.MM.yyyy");

    // One relay of one IO card as the output mapping wants it.
    struct RelayState
    {
        int cardIndex;  // device number - 1
        int relay;      // 0..7
        int state;      // 0 or 1
    };
    struct RelayCommand
    {
        int deviceNumber;
        quint8 relayByte;
    };

    explicit ControlUnit(QObject* parent = nullptr);
    ~ControlUnit() override;

    // Written by the GUI thread before the unit moves to its thread.
    TreeModel* energizerModel = nullptr;
    // Written by the GUI thread at any time.
    std::atomic<bool> reverseLogic{false};
    std::atomic<bool> sensorMode{false};

    // Mapping inputs, read from a row's record.
    static int energizerInput(const Node* row, int input);
    static int energizerInputParam(int input);
    static int ioCardInput(const Node* row, int input);
    static int ioCardRelay(const Node* row, int relay);
    // 1 when an enabled energizer among the gateway row's first 32 children has the input at 1.
    static int anyEnergizerInput(const Node* gatewayRow, int input);

    // Binds the gateway client to this unit: the unit takes what waits in
    // the client's inbox when woken, and follows its statuses (`type` as the
    // threads demand). The unit reads the client's counts, address and
    // validity flag, never sender(). Call it while wiring, before the unit's
    // thread runs; the client must outlive the unit's thread.
    void connectClient(qtClient* gatewayClient, Qt::ConnectionType type = Qt::QueuedConnection);

    // The gateway row under `root` that the unit feeds while the link dials
    // `address`: of several boxes at that address, the last. Null for none.
    // The caller holds the site mutex.
    static Node* dialledGateway(const Node* root, const QString& address);

    // The lines that tell of a command not sent (commandRefused) and of one
    // sent (commandSent).
    static QString refusalText(const QString& gateway, const QString& device, const QString& reason);
    static QString sentText(const QString& gateway, const QString& device);

public slots:
    void tovelUpdateArray(KX4Data kx4Data);
    void dataUpdate(DeviceData data, int No);
    // Every delivery waiting in the client's inbox, in order: its records,
    // then its image; a loss takes the link down.
    void takeData();
    void afterTimer();
    // A command of the window, answered once, in the order given: by
    // commandRefused when it made no frame, otherwise by commandSent behind
    // its frame, which the client answers in turn.
    void command(Node* commandNode, CommandSend command, QVariant value);
    void sendRelayCmd(int relayAddr, char tmpTX_actv_char);
    // Logs the loss of a gateway link that was up, once per loss.
    void linkStatus(qtClient::ClientStatus status);

signals:
    void energHearbeat(Node* node, bool statusChanged);
    void writeAlarmLog(QString source, QString reason, QString message);
    void energTick(Node* energNode);
    void writeVoltageLog(Node* energNode);
    void sendCmd(int device, char hvlv, char onoff, char clearAlrm, bool iocard);
    // A command given to command() was handed to the link, its frame by
    // the sendCmd just before: `gateway` is the address it was for,
    // `device` its device (empty for the whole gateway). The client, which
    // writes the frame, tells whether it was sent (qtClient::answerCommand).
    void commandSent(QString gateway, QString device);
    // A command given to command() sent nothing (a device of a gateway the
    // link does not dial, a box off the maps, the link not up, its node
    // gone): `reason` says why.
    void commandRefused(QString gateway, QString device, QString reason);
    // Done with what it took from the client's inbox.
    void dataTaken();

private:
    using Block = std::array<quint8, 32>;

    // Where a command went: `reason` is empty when it was sent.
    struct CommandOutcome
    {
        QString gateway;
        QString device;
        QString reason;
    };

    Node* findKX4Node() const;
    // The row a command for `row` of `gateway` goes through: `row` of the
    // gateway the link dials, or the same device of that gateway's row when
    // `row` belongs to another box at its address (the unit keeps only that
    // row in step with the device). Null for a device of any other gateway.
    Node* dialledRow(Node* row, Node* gateway) const;
    // Sends the command, or tells the diagnostic log why not. The caller
    // holds the site mutex.
    CommandOutcome issue(Node* commandNode, CommandSend command, const QVariant& value);
    // Whether the link is up: it goes down for good once its client no
    // longer holds it, and up again only with the image of the next sweep.
    bool holdsLink();
    bool isPresent(const Node* row) const;
    bool isPresentNumber(int deviceNumber) const;
    void updateZoneStatus(Node* row);
    void updateZoneBits(Node* row, const Block& block, int zone);
    // `row` of `gateway`, or the gateway's own row for all of its devices.
    void applyOutputMapping(Node* gateway, Node* row);
    QList<RelayState> collectRelayStates(Node* element);
    void applyInputMapping(Node* ioCardElement);
    void runCommand(Node* row, CommandSend command, const QVariant& value);
    void sendRowBytes(Node* row, char clearAlarm = 0);
    QTime heartbeatTime(int deviceNumber);

    std::array<Block, ImageBlockCount> image{};
    // Up from the first whole image of a valid link on; down at the loss
    // the inbox hands on, and for commands as soon as the client no longer
    // holds the link (holdsLink).
    bool linkUp = false;
    // The output mappings, by element, whose skipped records were told.
    // Only compared, never followed: the element may be gone.
    QHash<const Node*, QList<MappingRecord>> m_skipsTold;
    LinkLossWatch m_linkLoss{QStringLiteral("gateway")};
    // Set once by connectClient before the unit's thread runs; read only after.
    qtClient* client = nullptr;
    // The clock is read once per heartbeat: each reading asks the C library
    // for the time zone. A heartbeat is the run of device records with
    // rising numbers that arrive within HeartbeatSpanMs of its reading.
    static constexpr qint64 HeartbeatSpanMs = 200;
    QTime m_heartbeatTime;
    QElapsedTimer m_heartbeatAge;
    int m_heartbeatDevice = 0;
};

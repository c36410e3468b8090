#pragma once

#include "kx4data.h"
#include "linklosswatch.h"
#include "node.h"

#include <QObject>
#include <QString>

#include <array>

class TreeModel;
class qtClientTW;

// Takes the images of sensor records that the TW controller client hands on,
// copies each enabled sensor's record into its node of the TW sensor states
// model, sets the sensor's state class, logs changes of it and tells the main
// window; once a second it ticks every enabled sensor. It sends nothing. The
// images go only to the TW system at the address the TW link dials: each
// TW system has a controller of its own.
//
// Lives on its own thread. Every slot holds the site mutex for its whole
// body, so the GUI thread never sees a sensor half written; the signals reach
// their receivers queued, after the write they report.
class TWControlUnit : public QObject
{
    Q_OBJECT
public:
    static constexpr int ImageBlockCount = 64;
    static constexpr int BlockSize = 32;
    // Sensors 1 to 32 of a TW system receive records.
    static constexpr int LastSensor = 32;
    static constexpr int NameColumn = 0;
    static constexpr int StatusColumn = 1;

    explicit TWControlUnit(QObject* parent = nullptr);
    ~TWControlUnit() override;

    // Written by the GUI thread before the unit moves to its thread.
    TreeModel* twModel = nullptr;

    // One sensor's record from the image into its node. Call with the site
    // mutex held, as the slots do.
    void updateSensor(Node* sensorNode);

    // Wires the TW client's images, link statuses and moves here (`type` as
    // the threads demand); the unit starts from the address the client
    // dials now. Call it while wiring, before the unit's thread runs.
    void connectClient(qtClientTW* twClient, Qt::ConnectionType type = Qt::QueuedConnection);

    // The line that tells of a Global Reset not sent for the TW system at
    // `system` while the TW link dials `dialled` (empty: the link is closed;
    // `system` itself: the link is not up).
    static QString refusalText(const QString& system, const QString& dialled);

public slots:
    void tovelUpdateArray(KX4Data kx4Data);
    // The TW link dials `address` now: the images that follow are from its
    // controller.
    void linkMovedTo(QString address);
    void afterTimer();
    // Logs the loss of the TW link that was up, once per loss, under the
    // name of the TW system that follows the controller.
    void linkStatus(qtClient::ClientStatus status);
    // The client closes the link on the operator's order (a move, a project
    // that goes): no loss. The sensors of the system it fed show that they
    // are not watched, as before their first data, with no row and no line,
    // and their next data are first data.
    void leaveSystem();

signals:
    void sensorHearbeat(Node* sensorNode);
    void sensorTick(Node* sensorNode);
    void writeAlarmLog(QString source, QString reason, QString message);

private:
    using Block = std::array<quint8, BlockSize>;

    Node* followingSystem() const;

    std::array<Block, ImageBlockCount> image{};
    QString m_dialled;
    // The system the images went to last, whatever its address is now.
    NodeHandle m_fed;
    LinkLossWatch m_linkLoss{QStringLiteral("TW controller")};
};

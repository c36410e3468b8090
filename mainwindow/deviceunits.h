#pragma once

#include "deviceunit.h"

#include <memory>

class ControlUnit;
class QThread;
class QWidget;
class TimerUnit;
class TreeModel;
class TWControlUnit;
class qtClient;
class qtClientTW;

// The device side: the gateway control unit with its client, the TW control
// unit with its client, and the timer unit, each unit on a thread of its own.
// The clients live on the GUI thread as children of the window. Connections
// between a client and its unit are made here; those to the window and the
// logs are the window's.
class DeviceUnits
{
public:
    explicit DeviceUnits(QWidget* window);
    ~DeviceUnits();

    void createControlUnit(TreeModel* energizerModel, bool reverseLogic, bool sensorMode);
    void createFenceClient();
    // A gateway client's data and link statuses queued to its unit on the
    // unit's thread, the unit's commands and their frames queued back to
    // the client, which answers them (qtClient::answerCommand).
    static void connectGatewayClient(ControlUnit* unit, qtClient* client);
    void startControlUnit();
    void createTWControlUnit(TreeModel* twSensorModel);
    void startTWControlUnit();
    void createTWClient();
    void createTimerUnit();
    void startTimerUnit();

    // Timer unit, then control unit, then TW control unit: each thread has
    // finished and each unit is gone when this returns.
    void stop();

    ControlUnit* controlUnit() const;
    TWControlUnit* twControlUnit() const;
    TimerUnit* timerUnit() const;
    QThread* controlUnitThread() const;
    QThread* twSensorsThread() const;
    QThread* timerUnitThread() const;
    qtClient* fenceClient() const { return m_fenceClient; }
    qtClientTW* twClient() const { return m_twClient; }

private:
    QWidget* m_window;
    std::unique_ptr<DeviceUnit> m_control;
    std::unique_ptr<DeviceUnit> m_tw;
    std::unique_ptr<DeviceUnit> m_timer;
    qtClient* m_fenceClient = nullptr;
    qtClientTW* m_twClient = nullptr;
};

#pragma once

#include "soundplayer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class GatewaySimulator;
class GraphicsBox;
class GraphicsLine;
class GraphicsScene;
class MainWindow;
class Node;

// An energizer record with both zones on at high voltage, optionally more in byte 12.
QByteArray energizerRecord(int n, quint8 byte12 = 0);

// Points the window's gateway client at the simulator (short sweep delay),
// sends the first heartbeat and waits until the read sweep has completed.
void connectGatewayLink(MainWindow& window, GatewaySimulator& sim);

// A gateway box placed on a workspace of the window, its nodes filed into
// the element tree and the energizer model as a placed box files them, and a
// fence line whose node hangs under energizer 1's "Sector1".
struct SiteFixture
{
    GraphicsBox* gateway = nullptr;
    GraphicsLine* fence = nullptr;

    static SiteFixture place(GraphicsScene* scene, const QString& ip);
    Node* energizer(int number) const;   // element node, 1-based
    Node* row(int number) const;         // its status row
};

// A sound player that plays nothing and records what it was asked to play.
class RecordingSoundPlayer : public SoundPlayer
{
public:
    using SoundPlayer::SoundPlayer;
    QStringList started;
    int stops = 0;
    bool playing = false;

protected:
    void startPlayback(const QString& path) override { started.append(path); playing = true; }
    void stopPlayback() override { ++stops; playing = false; }
    bool backendPlaying() const override { return playing; }
};

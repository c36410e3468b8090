#include "alarmsarea.h"

#include "commondlg.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "settingsfile.h"
#include "windowsettings.h"
#include "sitemutex.h"
#include "soundalarmsettings.h"
#include "soundpath.h"
#include "soundplayer.h"
#include "statusfield.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMediaPlayer>
#include <QSettings>
#include <QStatusBar>

namespace {

bool paramSet(const Node* row, int param)
{
    return row && row->energizerParam(param).toInt() != 0;
}

// The fence-line rules of a sector or gate: its status colour, and the
// parameters that, the first set and the second clear, show the line
// steadily in the status the conditions give the second.
struct LineRule
{
    Node::ColorIndex color;
    int shownParam;
    int alarmParam;
};

bool lineRule(const Node* node, LineRule* rule)
{
    if (node->type == Node::Gate) {
        *rule = {Node::GateColor, EnergizerParam::GateStatus, EnergizerParam::GateAlarm};
        return true;
    }
    if (node->type != Node::FenceSector)
        return false;
    const int position = node->number();
    if (position == 1)
        *rule = {Node::Sector1Color, 34, EnergizerParam::FenceAlarm1};
    else if (position == 2)
        *rule = {Node::Sector2Color, 35, EnergizerParam::FenceAlarm2};
    else
        return false;
    return true;
}

// The status row of a device node, or null when it has none (or it is gone).
Node* statusRowOf(const Node* device)
{
    SiteLocker lock;
    return device && Node::isAlive(device->deviceNode) ? device->deviceNode : nullptr;
}

} // namespace

const std::array<QColor, AlarmsArea::StatusColorCount> AlarmsArea::DefaultStatusColors{
    QColor(0, 255, 0, 255), QColor(232, 183, 98, 255), QColor(255, 0, 0, 255), QColor(255, 165, 0, 255),
    QColor(255, 0, 255, 255)};

AlarmsArea::AlarmsArea(QWidget* window)
    : m_window(window)
{
    m_alarmConfirmDlg = new CommonDlg(window);
    m_alarmConfirmDlg->hide();
    m_alarmConfirmDlg->soundAlarmActive = [this] { return m_soundAlarmActive; };
}

AlarmsArea::~AlarmsArea()
{
    qDeleteAll(m_soundAlarmNodes);
    qDeleteAll(m_retiredSoundAlarms);
}

void AlarmsArea::createPlayer()
{
    setSoundPlayer(std::make_unique<SoundPlayer>(m_window));
}

QMediaPlayer* AlarmsArea::player() const
{
    return m_soundPlayer ? m_soundPlayer->mediaPlayer() : nullptr;
}

void AlarmsArea::setSoundPlayer(std::unique_ptr<SoundPlayer> soundPlayer)
{
    if (m_soundPlayer)
        m_soundPlayer->stop();
    m_soundPlayer = std::move(soundPlayer);
    if (m_soundPlayer)
        m_soundPlayer->setUnplayableNotifier([this](const QString& why) { showSoundNote(why); });
}

namespace {
// The sound note shares the status bar's room with the command note, as
// much as it.
constexpr int SoundNoteStretch = 4;
} // namespace

// A field of its own in the status bar: a passing message there would go
// with the next menu's tip, and the operator relies on sound alarms.
void AlarmsArea::showSoundNote(const QString& why)
{
    auto* window = qobject_cast<QMainWindow*>(m_window);
    if (!window)
        return;
    auto* note = new StatusField(QCoreApplication::translate("AlarmsArea", "Sound alarms cannot play: %1").arg(why), window);
    note->setObjectName(QStringLiteral("soundStatusLabel"));
    window->statusBar()->addWidget(note, SoundNoteStretch);
}

void AlarmsArea::playAlarmSound(Node* node, int status, const SoundPath& sound)
{
    if (!m_soundPlayer || !node)
        return;
    QString file;
    if (status == Node::Warning)
        file = sound.warningSound;
    else if (status == Node::Critical || status == Node::Tamper)
        file = sound.criticalSound;
    if (file.isEmpty())
        return;
    if (node->type != Node::TWSector && m_soundPlayer->isPlaying()) {
        // A playing alarm gives way only to a worse one.
        Node* row = statusRowOf(node);
        const int evaluated = row ? row->evaluateEnergizerStatus() : Node::OK;
        const bool replaces = evaluated == Node::Critical
                              || (node->type == Node::Energizer && evaluated == Node::Tamper);
        if (!replaces)
            return;
    }
    m_soundPlayer->play(file);
}

void AlarmsArea::activateVisualAlarm(Node* node, int status, GraphicsScene* currentScene)
{
    if (!node)
        return;
    if (node->type == Node::Energizer || node->type == Node::IOCard) {
        if (m_soundAlarmActive && node->enabled) {
            Node* row = statusRowOf(node);
            const int evaluated = row ? row->evaluateEnergizerStatus() : Node::OK;
            if (node->type == Node::IOCard && evaluated == Node::Tamper)
                return;
            if (!m_soundAlarmNodes.isEmpty())
                playAlarmSound(node, status, m_soundAlarmNodes.first()->data(1).value<SoundPath>());
            return;
        }
        if (node->type == Node::Energizer)
            return;
    }
    const bool sectorOrGate = node->type == Node::FenceSector || node->type == Node::Gate;
    Node* owner = sectorOrGate ? node->parent() : node;
    int soundStatus = status;
    if (status == Node::Off && node->type == Node::FenceSector && node->number() == 1)
        soundStatus = alarmConditionStatus(EnergizerParam::FenceOn1);
    else if (status == Node::Off && node->type == Node::FenceSector && node->number() == 2)
        soundStatus = alarmConditionStatus(EnergizerParam::FenceOn2);
    const QList<Node*> children = node->children;
    for (Node* child : children) {
        if (child->type == Node::TWSensor)
            continue;
        if (m_soundAlarmActive && owner && owner->enabled && child->type == Node::SoundAlarm)
            playAlarmSound(owner, soundStatus, child->data(1).value<SoundPath>());
        showOnMap(node, child, status, currentScene);
    }
}

void AlarmsArea::showOnMap(Node* node, Node* child, int status, GraphicsScene* currentScene)
{
    QGraphicsItem* item = child->mapItem;
    if (!item || !currentScene || item->scene() != currentScene)
        return;
    if (item->type() == GraphicsBox::Type) {
        static_cast<GraphicsBox*>(item)->setStatus(status);
        return;
    }
    LineRule rule;
    if (item->type() != GraphicsLine::Type || !lineRule(node, &rule))
        return;
    auto* line = static_cast<GraphicsLine*>(item);
    Node* row = statusRowOf(node->parent());
    QColor colour;
    {
        SiteLocker lock;
        if (row)
            colour = row->color[rule.color];
    }
    // One call for the steady case: turning the phase over and back would
    // repaint the line on every tick for nothing.
    if (paramSet(row, rule.shownParam) && !paramSet(row, rule.alarmParam))
        line->showSteadily(alarmConditionStatus(rule.alarmParam), colour);
    else
        line->setStatus(status, colour);
}

void AlarmsArea::load()
{
    m_statusColors = DefaultStatusColors;
    {
        auto settings = SettingsFile::open();
        m_soundAlarmActive = SettingsFile::boolValue(*settings, QStringLiteral("SoundAlarmActive"), true);
        loadTextAlarm(*settings);
    }
    replaceSoundAlarms(SoundAlarmSettings::load());
}

void AlarmsArea::setStatusColor(StatusColor status, const QColor& color)
{
    m_statusColors.at(size_t(status)) = color;
}

void AlarmsArea::loadTextAlarm(const QSettings& settings)
{
    const TextAlarmSettings stored = TextAlarmSettings::read(settings);
    m_textAlarmMode = stored.mode;
    m_textAlarmBackground = stored.background;
    m_alarmCaption = stored.caption;
    m_textAlarmEdited = false;
}

void AlarmsArea::setTextAlarmBackground(const QColor& color)
{
    m_textAlarmBackground = color;
    m_textAlarmEdited = true;
}

void AlarmsArea::setAlarmCaption(const QString& caption)
{
    m_alarmCaption = caption;
    m_textAlarmEdited = true;
}

void AlarmsArea::setTextAlarmMode(int mode)
{
    m_textAlarmMode = mode;
    m_textAlarmEdited = true;
}

void AlarmsArea::setProjectCaption(const QString& caption)
{
    m_alarmCaption = caption;
}

bool AlarmsArea::saveTextAlarmEdits()
{
    if (!m_textAlarmEdited)
        return true;
    const bool written = WindowSettings::write([this](QSettings& settings) { writeTextAlarm(settings); });
    if (written)
        m_textAlarmEdited = false;
    return written;
}

void AlarmsArea::writeTextAlarm(QSettings& settings) const
{
    TextAlarmSettings{m_textAlarmMode, m_textAlarmBackground, m_alarmCaption}.write(settings);
}

void AlarmsArea::setSoundAlarmActive(bool active)
{
    m_soundAlarmActive = active;
}

void AlarmsArea::replaceSoundAlarms(const QList<Node*>& nodes)
{
    m_retiredSoundAlarms.append(m_soundAlarmNodes);
    m_soundAlarmNodes = nodes;
}

void AlarmsArea::forgetSoundAlarm(Node* node)
{
    m_soundAlarmNodes.removeAll(node);
}

void AlarmsArea::write(QSettings& settings) const
{
    if (m_textAlarmEdited)
        writeTextAlarm(settings);
    SoundAlarmSettings::write(settings, m_soundAlarmNodes);
}

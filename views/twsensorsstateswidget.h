#pragma once

#include <QString>
#include <QWidget>

class SensorStatesProxyModel;
class TreeModel;

namespace Ui {
class TWSensorsStatesWidget;
}

// The states of the taut-wire sensors: the TW systems with their sensors as
// a tree, narrowed on request to the sensors not ready and to the current
// workspace's systems. The header's layout survives restarts.
class TWSensorsStatesWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char* kHeaderStateKey = "SensorStatesWidgetState";
    static constexpr int kNameWidth = 200;

    TWSensorsStatesWidget(TreeModel* model, QWidget* parent = nullptr);
    ~TWSensorsStatesWidget() override;

    // Re-filters after sensor updates.
    void refresh();

    // The workspace tab in front, known by its caption; re-filters.
    void showWorkspace(const QString& caption);
    QString currentWorkspace() const { return m_currentWorkspace; }

public slots:
    void filtering();

private:
    QString m_currentWorkspace;
    Ui::TWSensorsStatesWidget* ui = nullptr;
    TreeModel* model = nullptr;
    SensorStatesProxyModel* proxy = nullptr;
};

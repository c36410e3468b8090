#pragma once

#include "mappingrecord.h"

#include <QDialog>

#include <functional>

class Node;
class QCheckBox;
class QTableWidget;
class QToolButton;

namespace Ui {
class MappingDlg;
}

// Edits the mapping records of one device of a gateway: on the energizer page
// which conditions of an energizer (or of the whole gateway) drive which
// relays of which IO cards, on the IO card page which inputs of a card drive
// the zones of energizers and the two gateway-wide functions. Every click is
// written into the node's list at once; there is no OK or Cancel.
//
// The control unit reads these lists on its own thread: every change made
// here holds the site mutex. Reads need no lock, as only the GUI thread
// writes the lists.
class MappingDlg : public QDialog
{
    Q_OBJECT
public:
    // The item data role of a row header's value: the record id on a group's
    // first row, the row's index inside its group on the other rows.
    static constexpr int HeaderValueRole = Qt::UserRole;
    // True on the header of a group's first row, which carries the id.
    static constexpr int GroupHeaderRole = Qt::UserRole + 1;
    static constexpr int EnergizerGroupRows = 10;
    static constexpr int NotLatchingIndex = 8;
    static constexpr int ConditionCount = 13;
    static constexpr int InputCount = 8;
    static constexpr int GlobalRows = 3;
    static constexpr int CardGroupRows = 5;
    static constexpr int ZoneRows = 4;
    static constexpr int GlobalOnOffInput = 4;
    static constexpr int GlobalHvLvInput = 5;
    // Element kinds asked of the picker.
    static constexpr int PickIOCard = 1;
    static constexpr int PickEnergizer = 2;

    // Picks a device of the kind for the device being edited; null when
    // cancelled. The default lists the enabled devices of that kind under
    // the edited device's gateway.
    using ElementPicker = std::function<Node*(QWidget* parent, int kind, Node* gateway)>;
    static void setElementPicker(ElementPicker picker);

    explicit MappingDlg(QWidget* parent = nullptr);
    ~MappingDlg() override;

    // Fill the page for the node and run the dialog; they return once it is closed.
    void showEnergizerMapping(Node* node);
    void showCardMapping(Node* node);
    // The same without running the dialog.
    void prepareEnergizerPage(Node* node);
    void prepareCardPage(Node* node);

    // The "with text file" export mode: one card per energizer, fixed inputs per zone.
    bool textFileMode = false;

    Node* deviceNode() const { return m_deviceNode; }

signals:
    // A mapping list of some node was changed (also by a nested dialog).
    void mappingChanged();

private:
    // Each page has its own buttons and header: `card` for the energizer
    // page, which maps cards, and `table` the page's table.
    void showMapping(QTableWidget* table, int row);
    void addMapping(bool card);
    void removeMapping(bool card);
    QTableWidget* energTable() const;
    QTableWidget* cardTable() const;
    static QCheckBox* checkBoxAt(QTableWidget* table, int row, int column);
    static bool isTicked(QTableWidget* table, int row, int column);
    static int headerValue(QTableWidget* table, int row);
    static bool isGroupHeader(QTableWidget* table, int row);
    static int groupHeaderRow(QTableWidget* table, int row);
    static void setGroupHeader(QTableWidget* table, int row, const QString& header, const QString& icon, int id,
                               const QString& cellText);
    static void setDataHeader(QTableWidget* table, int row, const QString& header, int index);
    void addCheckBox(QTableWidget* table, int row, int column, bool on);
    void cellClicked(QTableWidget* table, int row, int column);
    bool startFill(QTableWidget* table, QList<MappingRecord>* records, QToolButton* addButton);

    // Energizer page.
    void fillEnergizerTable();
    void energizerCellClicked(int row, int column);
    int findOutputRecord(int id) const;
    void storeOutputRecord(const MappingRecord& record);
    quint32 rowBits(QTableWidget* table, int row, int columns) const;
    int rowConditionBits(int row) const;
    void updateLatchingCells();

    // IO card page.
    void fillCardTable();
    void cardCellClicked(int row, int column);
    bool globalTicked(int input) const;
    void setInputColumnEnabled(int column, bool enable);
    quint32 columnWord(int firstDataRow, int rows, int column) const;
    void storeInputWord(int id, int column, quint32 word);
    void storeEnergizerWordsFromScreen();

    Ui::MappingDlg* ui;
    Node* m_gatewayNode = nullptr;
    Node* m_deviceNode = nullptr;
};

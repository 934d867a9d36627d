#pragma once

#include "settings/LiveSettings.h"
#include "settings/SettingsError.h"

#include <QDialog>

class ControllerLink;
class Form1;
class QTableWidget;

// The options dialog ("オプション") and, at the same time, the live store of every
// user setting. It is created hidden at start-up and lives until the program ends;
// OK applies the display settings to the board and hides it.
class frmOption : public QDialog {
    Q_OBJECT
public:
    explicit frmOption(Form1& board, QWidget* parent = nullptr);

    LiveSettings& live() { return m_live; }
    const LiveSettings& live() const { return m_live; }

    void setController(ControllerLink* controller) { m_controller = controller; }

    // Pushes the display settings onto the board.
    void SetProp();
    // Copies the settings into blocks A..F of the record.
    void GetOptionInfo(SettingsRecord& record) const;
    // Copies blocks A..F of the record into the settings; nothing changes when a value
    // is refused (the error is returned).
    SettingsError SetOptionInfo(const SettingsRecord& record);

    // The OK button.
    void Command4_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshTable();
    void cellEdited(int row, int column);

    Form1& m_board;
    LiveSettings m_live;
    ControllerLink* m_controller = nullptr;
    QTableWidget* m_table = nullptr;
    bool m_filling = false;
};

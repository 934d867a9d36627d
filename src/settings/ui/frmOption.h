#pragma once

#include "settings/LiveSettings.h"
#include "settings/SettingsError.h"

#include <QDialog>
#include <QHash>
#include <QString>

class ColourSwatch;
class QComboBox;

// What the ticket-plug-in page needs of the controller window: its company list and
// the size of its ticket preview.
class TicketPreviewHost {
public:
    virtual ~TicketPreviewHost() = default;
    virtual QComboBox* companyList() = 0;
    virtual void resizePreview(int widthTwips, int heightTwips) = 0;
};

// The options dialog ("オプション"): six pages of the settings, built from its stored
// design, and a view of the live settings, which hold every value. It is created
// hidden at start-up and lives until the program ends; OK applies the display
// settings to the board and hides it, closing it by its frame only hides it.
class frmOption : public QDialog {
    Q_OBJECT
public:
    explicit frmOption(QWidget* parent = nullptr);
    ~frmOption() override;

    LiveSettings& live() { return m_live; }
    const LiveSettings& live() const { return m_live; }

    void setTicketPreviewHost(TicketPreviewHost* host) { m_previewHost = host; }

    // Applies the display settings: the board takes its look from them (settingsApplied).
    void SetProp();
    // Copies the settings into blocks A..F of the record.
    void GetOptionInfo(SettingsRecord& record) const;
    // Copies blocks A..F of the record into the settings (nothing changes when a value
    // is refused; the error is returned), then has the panel of the selected backlight
    // shown (panelSettingsRestored) and loads the stored ticket plug-in.
    SettingsError SetOptionInfo(const SettingsRecord& record);

    // A folder from the folder chooser; "" when cancelled.
    QString GetPathString();
    // The colour chooser for a swatch button.
    void GetBtnColor(ColourSwatch& button);
    // Loads the ticket plug-in `fileName` onto the plug-in page: 2 when it was loaded
    // and shown, 0 when nothing was loaded.
    qint32 SetPlgin(const QString& fileName);

    // The controls, by their names in the design ("Option1(2)", "Combo4(4)", ...).
    QWidget* control(const QString& name) const { return m_controls.value(name); }
    const QHash<QString, QWidget*>& controls() const { return m_controls; }
    // The page in front (0..5) and the sound sub-page in front (0..1).
    int frontPage() const { return m_frontPage; }
    int frontSoundPage() const { return m_frontSoundPage; }
    // The preview display of the digit colours (a seven-segment display of the board's).
    QWidget* preview() const { return m_preview; }

    // Event handlers, by control.
    void Option1_Click(int index);
    void Option5_Click(int index);
    void Command3_Click(int index);
    void Command10_Click(int index);
    void cmdSelectSound_Click(int index);
    void Command6_Click(int index);
    void Command7_Click();
    void Command11_Click();
    void Command1_Click();
    void Command4_Click();

signals:
    // OK was pressed (or the settings were loaded): the board restyles itself.
    void settingsApplied();
    // The panel settings were restored from a file: the panel of the selected
    // backlight state is shown again.
    void panelSettingsRestored();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void connectControls();
    void placeListsInGaps();
    void refresh(Setting setting);
    void refreshAll();
    void applyDependentStates();
    void enter(Setting setting, const QString& text, QWidget* editor);
    QString chooseFile(const QString& title, const QVector<QPair<QString, QString>>& filters);

    LiveSettings m_live;
    TicketPreviewHost* m_previewHost = nullptr;
    QHash<QString, QWidget*> m_controls;
    QWidget* m_preview = nullptr;
    int m_frontPage = 0;
    int m_frontSoundPage = 1;
    bool m_refreshing = false;
};

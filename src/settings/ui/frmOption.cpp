#include "settings/ui/frmOption.h"

#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"
#include "board/ui/mdl508_000.h"
#include "platform/ui/MessageBox.h"
#include "settings/ControllerLink.h"
#include "settings/SettingViews.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

frmOption::frmOption(Form1& board, QWidget* parent) : QDialog(parent), m_board(board) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("オプション"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* note =
        new QLabel(QStringLiteral("設定を選んで値を入力してください。色は #RRGGBB の形で入力します。"), this);
    layout->addWidget(note);
    m_table = new QTableWidget(this);
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("設定"), QStringLiteral("種類"), QStringLiteral("値")});
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    layout->addWidget(m_table);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command4"));
    ok->setDefault(true);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &frmOption::Command4_Click);
    connect(m_table, &QTableWidget::cellChanged, this, &frmOption::cellEdited);
    connect(&m_live, &LiveSettings::valueChanged, this, [this] {
        if (isVisible())
            refreshTable();
    });
    resize(560, 520);
}

void frmOption::SetProp() {
    // 1-2. Labels shown or hidden, and their numbering.
    const bool shown = m_live.number(Setting::AutoTicketNumbers) != 0;
    for (int i = 1; i <= Form1::kFareDisplays; ++i)
        m_board.lblSeiriNum(i)->setVisible(shown);
    qint16 style = static_cast<qint16>(m_live.number(Setting::TicketNumberStyle));
    qint16 zeroPad = static_cast<qint16>(m_live.number(Setting::TicketNumberZeroPad));
    mdl508_000::SeirikenNumSet(m_board, style, zeroPad);

    // 3-4. Label colour of the selected backlight state.
    const int backlight = m_controller ? m_controller->backlightIndex() : 0;
    const std::uint32_t labelColor = settings_views::backlightLook(m_live, backlight).labelColor;
    for (int j = 1; j <= Form1::kFareDisplays; ++j)
        m_board.lblSeiriNum(j)->setForeColor(labelColor);

    // 5-6. Colours of the fare displays and of the clock.
    const std::uint32_t back = m_live.colour(Setting::DigitBackColor);
    const std::uint32_t unlit = m_live.colour(Setting::DigitUnlitColor);
    const std::uint32_t lit = m_live.colour(Setting::DigitLitColor);
    const auto colour = [&](M_Degit* d) {
        d->setBackColor(back);
        d->setBaseForeColor(unlit);
        d->setDegitForeColor(lit);
    };
    for (int k = 1; k <= Form1::kFareDisplays; ++k)
        colour(m_board.Degit(k));
    for (int k = 0; k <= 1; ++k)
        colour(m_board.TimeDegit(k));

    // 7. The stop-name control.
    ChimeiCtl_B* strip = m_board.ChimeiCtl();
    strip->setBackColor(m_live.colour(Setting::StopNameBackColor));
    strip->setForeColor(m_live.colour(Setting::StopNameForeColor));
    strip->setFontMode(static_cast<qint16>(m_live.number(Setting::StopNameFontMode)));
    strip->setFontBold(m_live.number(Setting::StopNameBold) == 1);

    // 8. The panel picture of the selected backlight state.
    if (m_controller)
        m_controller->Option4_Click(backlight);
}

void frmOption::GetOptionInfo(SettingsRecord& record) const {
    m_live.toRecord(record);
}

SettingsError frmOption::SetOptionInfo(const SettingsRecord& record) {
    const SettingsError error = m_live.fromRecord(record);
    if (error.number != 0)
        return error;
    // The panel picture follows the restored panel settings.
    if (m_controller)
        m_controller->Option4_Click(m_controller->backlightIndex());
    return error;
}

void frmOption::Command4_Click() {
    SetProp();
    accept();
}

void frmOption::showEvent(QShowEvent* event) {
    refreshTable();
    QDialog::showEvent(event);
}

void frmOption::refreshTable() {
    m_filling = true;
    const QVector<SettingInfo>& infos = m_live.settings();
    m_table->setRowCount(static_cast<int>(infos.size()));
    for (int row = 0; row < infos.size(); ++row) {
        const SettingInfo& info = infos[row];
        auto* name = new QTableWidgetItem(info.name);
        name->setFlags(Qt::ItemIsEnabled);
        QString kind = controlKindName(info.kind);
        if (info.kind == ControlKind::List)
            kind += QStringLiteral(" 0..%1").arg(info.listSize - 1);
        auto* kindItem = new QTableWidgetItem(kind);
        kindItem->setFlags(Qt::ItemIsEnabled);
        m_table->setItem(row, 0, name);
        m_table->setItem(row, 1, kindItem);
        m_table->setItem(row, 2, new QTableWidgetItem(m_live.valueText(info.id)));
    }
    m_table->resizeColumnsToContents();
    m_filling = false;
}

void frmOption::cellEdited(int row, int column) {
    if (m_filling || column != 2)
        return;
    const QString problem = m_live.set(static_cast<Setting>(row), m_table->item(row, 2)->text());
    if (!problem.isEmpty())
        msgbox::show(this, problem, QStringLiteral("オプション"), msgbox::Icon::Exclamation);
    refreshTable();
}

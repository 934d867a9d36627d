#include "settings/ui/frmOption.h"

#include "platform/Design.h"
#include "platform/Twips.h"
#include "platform/ui/DesignWidgets.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "reslib/FileFilter.h"
#include "reslib/ui/Choosers.h"
#include "reslib/ui/TicketPlugins.h"
#include "settings/OptionControls.h"
#include "settings/SettingViews.h"
#include "settings/mdlIniIo.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

const QString kDesign = QStringLiteral(":/settings/frmOption.design");
QString title() {
    return QCoreApplication::translate("frmOption", "オプション");
}

// A button that shows a glyph of the Marlett symbol font: "r" is a cross.
class SymbolButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text = text() == QLatin1String("r") ? QStringLiteral("✕") : text();
        p.drawControl(QStyle::CE_PushButton, option);
    }
};

// The gaps of a caption: its runs of two or more spaces, or of ideographic spaces
// (start and length).
QVector<QPair<qsizetype, qsizetype>> spaceRuns(const QString& caption) {
    QVector<QPair<qsizetype, qsizetype>> runs;
    qsizetype i = 0;
    while (i < caption.size()) {
        if (caption.at(i) != QLatin1Char(' ') && caption.at(i) != QChar(0x3000)) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < caption.size() && (caption.at(i) == QLatin1Char(' ') || caption.at(i) == QChar(0x3000)))
            ++i;
        // A single space between words is no gap.
        if (i - start >= 2 || caption.at(start) == QChar(0x3000))
            runs.append({start, i - start});
    }
    return runs;
}

void collect(const DesignNode& node, QVector<const DesignNode*>& out) {
    for (const DesignNode& child : node.children) {
        out.append(&child);
        collect(child, out);
    }
}

} // namespace

frmOption::frmOption(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(title());
    setModal(true);
    setFont(fonts::uiFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    build();
    connectControls();
    refreshAll();
    applyDependentStates();
}

frmOption::~frmOption() = default;

// ---- Loading -------------------------------------------------------------------

void frmOption::build() {
    const DesignParseResult parsed = loadDesign(kDesign);
    if (!parsed.ok)
        qFatal("options design: %s", qPrintable(parsed.error));
    const DesignNode& form = parsed.root;
    setFixedSize(twips::toPixels(props::int32(form.properties, QStringLiteral("ClientWidth"), 9570)),
                 twips::toPixels(props::int32(form.properties, QStringLiteral("ClientHeight"), 5610)));
    // The preview display ("M_Degit") is the board's own kind of control.
    m_controls = designui::build(form, this, {}, "frmOption");
    // The cross of the clear button is a glyph of a symbol font.
    if (auto* old = qobject_cast<QPushButton*>(control(QStringLiteral("Command11")))) {
        auto* cross = new SymbolButton(old->text(), old->parentWidget());
        cross->setObjectName(old->objectName());
        cross->setGeometry(old->geometry());
        cross->setToolTip(tr("プラグインの指定を解除します"));
        m_controls.insert(cross->objectName(), cross);
        delete old;
    }
    m_preview = control(QStringLiteral("M_Degit1"));
    if (!m_preview)
        qFatal("options design: no preview display M_Degit1");

    // 1. The preview display. 2-3. The cell and column lists. 4. The numbering list.
    m_preview->setProperty("DegitSize", 0);
    for (int i = 0; i <= 3; ++i)
        qobject_cast<QComboBox*>(control(QStringLiteral("Combo4(%1)").arg(i)))
            ->addItems(option_controls::numberItems(50));
    qobject_cast<QComboBox*>(control(QStringLiteral("Combo1")))->addItems(option_controls::numberItems(150));
    qobject_cast<QComboBox*>(control(QStringLiteral("Combo4(4)")))
        ->addItems(option_controls::numberItems(150));
    qobject_cast<QComboBox*>(control(QStringLiteral("Combo2")))
        ->addItems(option_controls::ticketNumberStyleItems());
    qobject_cast<QComboBox*>(control(QStringLiteral("Combo3")))->addItems(option_controls::fontModeItems());

    // The first page and the step-sound sub-page are the ones selected in the design.
    qobject_cast<QAbstractButton*>(control(QStringLiteral("Option1(0)")))->setChecked(true);
    control(QStringLiteral("Frame1(0)"))->raise();
    qobject_cast<QAbstractButton*>(control(QStringLiteral("Option5(1)")))->setChecked(true);
    control(QStringLiteral("Frame2(1)"))->raise();

    QVector<const DesignNode*> nodes;
    collect(form, nodes);
    for (const DesignNode* node : nodes) {
        if (!node->properties.contains(QStringLiteral("GapOf")))
            continue;
        QWidget* list = control(designui::controlName(*node));
        QWidget* sentence = control(props::text(node->properties, QStringLiteral("GapOf")));
        const int gap = props::int16(node->properties, QStringLiteral("Gap"), 1);
        if (!list || !sentence)
            continue;
        // The caption starts after the indicator of a check box.
        int textLeft = 0;
        QString caption;
        if (auto* box = qobject_cast<QAbstractButton*>(sentence)) {
            QStyleOptionButton option;
            option.initFrom(box);
            textLeft = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).right() + 5;
            caption = box->text();
        } else if (auto* label = qobject_cast<QLabel*>(sentence)) {
            caption = label->text();
        }
        const QVector<QPair<qsizetype, qsizetype>> runs = spaceRuns(caption);
        if (gap < 1 || gap > runs.size())
            continue;
        const QFontMetrics fm(sentence->font());
        const auto [start, length] = runs[gap - 1];
        const int gapLeft = textLeft + fm.horizontalAdvance(caption.left(start));
        const int gapWidth = fm.horizontalAdvance(caption.mid(start, length));
        const int width = qBound(44, gapWidth - 4, 72);
        const int height = list->sizeHint().height();
        list->setGeometry(sentence->x() + gapLeft + (gapWidth - width) / 2,
                          sentence->y() + (sentence->height() - height) / 2, width, height);
        list->raise();
    }
}

void frmOption::connectControls() {
    for (int i = 0; i < option_controls::kPageCount; ++i)
        connect(qobject_cast<QAbstractButton*>(control(QStringLiteral("Option1(%1)").arg(i))),
                &QAbstractButton::clicked, this, [this, i] { Option1_Click(i); });
    for (int i = 0; i < option_controls::kSoundPageCount; ++i)
        connect(qobject_cast<QAbstractButton*>(control(QStringLiteral("Option5(%1)").arg(i))),
                &QAbstractButton::clicked, this, [this, i] { Option5_Click(i); });
    const auto onClick = [this](const QString& name, auto handler) {
        connect(qobject_cast<QAbstractButton*>(control(name)), &QAbstractButton::clicked, this, handler);
    };
    for (int i = 0; i < 2; ++i) {
        onClick(QStringLiteral("Command3(%1)").arg(i), [this, i] { Command3_Click(i); });
        onClick(QStringLiteral("Command10(%1)").arg(i), [this, i] { Command10_Click(i); });
    }
    for (int i = 0; i <= 10; ++i) {
        if (i == 2)
            continue; // sounds 0..1 and 3..10
        onClick(QStringLiteral("cmdSelectSound(%1)").arg(i), [this, i] { cmdSelectSound_Click(i); });
    }
    for (int i = 0; i < 3; ++i)
        onClick(QStringLiteral("Command6(%1)").arg(i), [this, i] { Command6_Click(i); });
    onClick(QStringLiteral("Command7"), [this] { Command7_Click(); });
    onClick(QStringLiteral("Command11"), [this] { Command11_Click(); });
    onClick(QStringLiteral("Command1"), [this] { Command1_Click(); });
    onClick(QStringLiteral("Command4"), [this] { Command4_Click(); });

    // Every setting's control edits the live settings.
    for (const SettingInfo& info : m_live.settings()) {
        const Setting setting = info.id;
        QWidget* w = control(option_controls::controlOf(setting));
        if (!w)
            qFatal("options design: no control for %s", qPrintable(info.name));
        switch (info.kind) {
        case ControlKind::Text:
            if (auto* edit = qobject_cast<QLineEdit*>(w))
                connect(edit, &QLineEdit::textEdited, this,
                        [this, setting, edit](const QString& text) { enter(setting, text, edit); });
            break;
        case ControlKind::Check:
            connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                    [this, setting](bool checked) { m_live.setNumber(setting, checked ? 1 : 0); });
            break;
        case ControlKind::Option:
            connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                    [this, setting] { m_live.setNumber(setting, -1); });
            break;
        case ControlKind::List:
            connect(qobject_cast<QComboBox*>(w), &QComboBox::currentIndexChanged, this,
                    [this, setting](int index) {
                        if (!m_refreshing)
                            m_live.setNumber(setting, index);
                    });
            break;
        case ControlKind::Colour:
            connect(qobject_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                    [this, w] { GetBtnColor(*static_cast<ColourSwatch*>(w)); });
            break;
        }
    }
    connect(&m_live, &LiveSettings::valueChanged, this, [this](Setting setting) {
        refresh(setting);
        applyDependentStates();
    });
}

// ---- The controls as views of the live settings ---------------------------------

void frmOption::refresh(Setting setting) {
    const SettingInfo& info = m_live.info(setting);
    QWidget* w = control(option_controls::controlOf(setting));
    m_refreshing = true;
    switch (info.kind) {
    case ControlKind::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (edit->text() != m_live.text(setting))
                edit->setText(m_live.text(setting));
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(m_live.text(setting));
        }
        break;
    case ControlKind::Check:
        qobject_cast<QAbstractButton*>(w)->setChecked(m_live.isOn(setting));
        break;
    case ControlKind::Option: {
        auto* b = qobject_cast<QAbstractButton*>(w);
        // A group may hold no selected button: the checked one can only be released
        // with the group's exclusiveness lifted.
        QButtonGroup* group = b->group();
        if (group)
            group->setExclusive(false);
        b->setChecked(m_live.isOn(setting));
        if (group)
            group->setExclusive(true);
        break;
    }
    case ControlKind::List:
        qobject_cast<QComboBox*>(w)->setCurrentIndex(m_live.number(setting));
        break;
    case ControlKind::Colour:
        static_cast<ColourSwatch*>(w)->setColour(m_live.colour(setting));
        if (setting == Setting::DigitBackColor)
            m_preview->setProperty("BackColor", m_live.colour(setting));
        else if (setting == Setting::DigitUnlitColor)
            m_preview->setProperty("BaseForeColor", m_live.colour(setting));
        else if (setting == Setting::DigitLitColor)
            m_preview->setProperty("DegitForeColor", m_live.colour(setting));
        break;
    }
    m_refreshing = false;
}

void frmOption::refreshAll() {
    for (const SettingInfo& info : m_live.settings())
        refresh(info.id);
}

void frmOption::applyDependentStates() {
    for (const option_controls::DependentState& s : option_controls::dependentStates(m_live)) {
        QWidget* w = control(s.control);
        w->setEnabled(s.enabled);
        w->setVisible(s.visible);
    }
}

void frmOption::enter(Setting setting, const QString& text, QWidget* editor) {
    QString problem = option_controls::refusedTextMessage(setting, text);
    if (problem.isEmpty())
        problem = m_live.setText(setting, text);
    if (problem.isEmpty())
        return;
    msgbox::show(this, problem, title(), msgbox::Icon::Exclamation);
    // The previous value stays.
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        edit->setText(m_live.text(setting));
}

// ---- Public procedures -----------------------------------------------------------

void frmOption::SetProp() {
    // The board takes its look from the settings as they are now.
    emit settingsApplied();
}

void frmOption::GetOptionInfo(SettingsRecord& record) const {
    m_live.toRecord(record);
}

SettingsError frmOption::SetOptionInfo(const SettingsRecord& record) {
    const SettingsError error = m_live.fromRecord(record);
    if (error.number != 0)
        return error;
    // The panel picture follows the restored panel settings (the preview display's
    // colours followed the digit colours as they were restored).
    emit panelSettingsRestored();
    SetPlgin(m_live.text(Setting::TicketPluginPath));
    return error;
}

QString frmOption::GetPathString() {
    return Zelk3FolderDlg(this, tr("フォルダーを選択してください"));
}

void frmOption::GetBtnColor(ColourSwatch& button) {
    const std::optional<Setting> setting = option_controls::settingOf(button.objectName());
    if (!setting)
        return;
    std::uint32_t colour = m_live.colour(*setting);
    if (Zelk3ChooseColor(this, colour, mdlIniIo::settingsRecord().CustomColors) != 0)
        m_live.setColour(*setting, colour);
}

qint32 frmOption::SetPlgin(const QString& fileName) {
    if (fileName.isEmpty())
        return 0;
    plugins::PluginInfo info{};
    if (Zelk4_GetPlgInfo(fileName, info) == 0)
        return 0;
    Zelk4_SetPlgComment(fileName, control(QStringLiteral("txtPlginComment")));
    auto* list = qobject_cast<QListWidget*>(control(QStringLiteral("List1")));
    list->clear();
    list->addItems(plugins::capabilityLines(info));
    if (m_previewHost) {
        m_previewHost->resizePreview(info.PreviewWidth, info.PreviewHeight);
        if (info.CompanyCount > 0)
            Zelk4_SetCorpAddList(fileName, m_previewHost->companyList());
    }
    return 2;
}

QString frmOption::chooseFile(const QString& title, const QVector<QPair<QString, QString>>& filters) {
    QVector<FileFilterEntry> entries;
    for (const auto& [description, pattern] : filters)
        entries.append(FileFilterEntry{description, pattern});
    return Zelk3FileDlg(this, 0, filefilter::make(entries), QString(), title);
}

// ---- Event handlers ----------------------------------------------------------------

void frmOption::Option1_Click(int index) {
    m_frontPage = index;
    control(QStringLiteral("Frame1(%1)").arg(index))->raise();
}

void frmOption::Option5_Click(int index) {
    m_frontSoundPage = index;
    control(QStringLiteral("Frame2(%1)").arg(index))->raise();
}

void frmOption::Command3_Click(int index) {
    const QString folder = GetPathString();
    if (folder.isEmpty())
        return;
    const Setting setting = index == 0 ? Setting::FareDataFolder : Setting::TapeDataFolder;
    enter(setting, folder, control(option_controls::controlOf(setting)));
}

void frmOption::Command10_Click(int index) {
    shell::open(m_live.text(index == 0 ? Setting::FareDataFolder : Setting::TapeDataFolder));
}

void frmOption::cmdSelectSound_Click(int index) {
    const QString file =
        chooseFile(tr("サウンドの選択"), {{tr("Waveサウンド(*.wav)"), QStringLiteral("*.wav")},
                                          {tr("MP3サウンド(*.mp3)"), QStringLiteral("*.mp3")},
                                          {tr("MIDIシーケンス(*.mid)"), QStringLiteral("*.mid")}});
    if (file.isEmpty())
        return;
    const QString name = QStringLiteral("txtSelectSound(%1)").arg(index);
    if (const std::optional<Setting> setting = option_controls::settingOf(name))
        enter(*setting, file, control(name));
}

void frmOption::Command6_Click(int index) {
    const QString file =
        chooseFile(tr("パネル画像の選択"), {{tr("ビットマップ(*.bmp)"), QStringLiteral("*.bmp")},
                                            {tr("GIF画像(*.gif)"), QStringLiteral("*.gif")},
                                            {tr("JPEG画像(*.jpg)"), QStringLiteral("*.jpg")},
                                            {tr("PNG画像(*.png)"), QStringLiteral("*.png")},
                                            {tr("SVG画像(*.svg)"), QStringLiteral("*.svg")}});
    if (file.isEmpty())
        return;
    const QString name = QStringLiteral("txtSelectPanel(%1)").arg(index);
    if (const std::optional<Setting> setting = option_controls::settingOf(name))
        enter(*setting, file, control(name));
}

void frmOption::Command7_Click() {
    SystemTime date{};
    if (Call_dlg111(this, date) == 0)
        return;
    m_live.setText(Setting::TicketFixedDate, option_controls::dateText(date.wYear, date.wMonth, date.wDay));
}

void frmOption::Command11_Click() {
    m_live.setText(Setting::TicketPluginPath, QString());
    qobject_cast<QListWidget*>(control(QStringLiteral("List1")))->clear();
    qobject_cast<QPlainTextEdit*>(control(QStringLiteral("txtPlginComment")))->clear();
}

void frmOption::Command1_Click() {
    const QString file =
        chooseFile(tr("プラグインの選択"), {{tr("整理券プラグイン(*.4SP)"), QStringLiteral("*.4SP")}});
    if (m_previewHost)
        m_previewHost->companyList()->clear();
    if (const QString refused = option_controls::refusedTextMessage(Setting::TicketPluginPath, file);
        !refused.isEmpty()) {
        msgbox::show(this, refused, title(), msgbox::Icon::Exclamation);
        return;
    }
    const qint32 result = SetPlgin(file);
    if (result != 0) {
        m_live.setText(Setting::TicketPluginPath, file);
        return;
    }
    // A cancelled choice is not an error.
    if (!file.isEmpty())
        msgbox::show(this, tr("指定したファイルはプラグインでないか、内容が不正です"),
                     tr("プラグインロードエラー"), msgbox::Icon::Critical);
}

void frmOption::Command4_Click() {
    SetProp();
    accept();
}

void frmOption::closeEvent(QCloseEvent* event) {
    // Closed by its frame, the dialog only hides: every edit is kept and the board
    // keeps its look until OK.
    event->accept();
    QDialog::closeEvent(event);
}

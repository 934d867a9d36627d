#include "board/ui/Form1.h"

#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"
#include "board/ui/PanelArt.h"
#include "board/ui/PanelSwitch.h"
#include "board/ui/PictureFile.h"
#include "board/ui/mdl508_000.h"
#include "platform/Twips.h"
#include "platform/ui/MessageBox.h"
#include "stopname/ui/ChimeiCtl_B.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTime>
#include <QWindow>
#include <cmath>

namespace {

const QString kBuiltInDesign = QStringLiteral(":/board/Form1.design");
const QString kBuiltInPanel = QStringLiteral(":/board/panel.png");

QRect twipRect(const PropertyBag& bag) {
    return QRect(twips::toPixels(props::int32(bag, "Left", 0)), twips::toPixels(props::int32(bag, "Top", 0)),
                 twips::toPixels(props::int32(bag, "Width", 0)),
                 twips::toPixels(props::int32(bag, "Height", 0)));
}

} // namespace

QRegion roundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight) {
    if (right <= 0 || bottom <= 0)
        return QRegion();
    const double rx = qMin(ellipseWidth, right) / 2.0;
    const double ry = qMin(ellipseHeight, bottom) / 2.0;
    const int cornerRows = static_cast<int>(std::ceil(ry));
    QRegion region;
    // Rows within the corner ellipses are inset; the rows between are whole.
    const auto inset = [&](int row) {
        if (ry <= 0 || rx <= 0)
            return 0;
        const double dy = (ry - row - 0.5) / ry;
        if (dy <= 0)
            return 0;
        return static_cast<int>(std::ceil(rx - rx * std::sqrt(qMax(0.0, 1.0 - dy * dy)) - 1e-9));
    };
    for (int row = 0; row < cornerRows && row < bottom; ++row) {
        const int in = inset(row);
        region += QRect(in, row, right - 2 * in, 1);
        if (bottom - 1 - row > row)
            region += QRect(in, bottom - 1 - row, right - 2 * in, 1);
    }
    if (bottom > 2 * cornerRows)
        region += QRect(0, cornerRows, right, bottom - 2 * cornerRows);
    return region;
}

Form1::Form1(const QString& designPath, QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Form1"));
    const DesignParseResult parsed = loadDesign(designPath.isEmpty() ? kBuiltInDesign : designPath);
    if (!parsed.ok)
        qFatal("board design: %s", qPrintable(parsed.error));
    m_design = parsed.root;
    setFixedSize(twips::toPixels(kClientWidthTwips), twips::toPixels(kClientHeightTwips));
    buildFromDesign();
    m_imgRes[0] = builtInPanel();
    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

Form1::~Form1() = default;

void Form1::applyLook(const BoardLook& look) {
    // Labels shown or hidden, and their numbering.
    for (int i = 1; i <= kFareDisplays; ++i)
        m_labels[i]->setVisible(look.labelsShown);
    qint16 style = look.numberStyle;
    qint16 zeroPad = look.numberZeroPad;
    mdl508_000::SeirikenNumSet(*this, style, zeroPad);
    // The labels' colour of the backlight state.
    for (int j = 1; j <= kFareDisplays; ++j)
        m_labels[j]->setForeColor(look.panel.labelColor);
    // The colours of the fare displays and of the clock.
    const auto colour = [&](M_Degit* d) {
        d->setBackColor(look.digitBackColor);
        d->setBaseForeColor(look.digitUnlitColor);
        d->setDegitForeColor(look.digitLitColor);
    };
    for (int k = 1; k <= kFareDisplays; ++k)
        colour(m_degits[k]);
    for (M_Degit* clock : m_timeDegits)
        colour(clock);
    // The stop-name strip.
    m_chimei->setBackColor(look.stripBackColor);
    m_chimei->setForeColor(look.stripForeColor);
    m_chimei->setFontMode(look.stripFontMode);
    m_chimei->setFontBold(look.stripBold);
    // The panel picture of the backlight state.
    applyBacklight(look.backlight, look.panel);
}

void Form1::applyBacklight(int backlight, const BacklightLook& look) {
    panelswitch::showBacklight(*this, backlight, look);
}

void Form1::showFrame(const BoardFrame& frame) {
    const bool nameHandedOver = frame.stopNameSerial != m_shownNameSerial;
    m_shownNameSerial = frame.stopNameSerial;
    // A lamp test or a cleared board shows its stop name first, a stop after its fares.
    if (nameHandedOver && frame.fares != BoardFrame::Fares::Values)
        m_chimei->SetChimei(frame.stopName);
    const bool faresChanged = frame.fares != m_shownFares;
    m_shownFares = frame.fares;
    for (int i = 1; i <= kFareDisplays; ++i) {
        M_Degit* d = m_degits.value(i);
        if (!d)
            continue;
        switch (frame.fares) {
        case BoardFrame::Fares::LampTest:
            d->ResetDegit(true);
            break;
        case BoardFrame::Fares::Blank:
            d->ResetDegit(false);
            break;
        case BoardFrame::Fares::Values: {
            const DisplayFormat& f = frame.formats[size_t(i)];
            const bool formatChanged =
                d->ZeroMode() != f.zeroMode || d->Shift() != f.shift || d->FillZero() != f.fillZero;
            if (formatChanged) {
                d->setShift(static_cast<qint16>(f.shift));
                d->setFillZero(static_cast<qint16>(f.fillZero));
                d->setZeroMode(static_cast<qint16>(f.zeroMode));
            }
            if (faresChanged || formatChanged || !(d->Value() == frame.values[size_t(i)]))
                d->setValue(frame.values[size_t(i)]);
            break;
        }
        }
    }
    if (frame.clockShown != m_clockShown) {
        m_clockShown = frame.clockShown;
        if (!m_clockShown) {
            m_timer1.stop();
            for (M_Degit* clock : m_timeDegits)
                clock->setValue(QString());
        } else if (!m_timeDegits.isEmpty() && !m_timeDegits[0]->isHidden()) {
            m_timer1.start();
        }
    }
    if (nameHandedOver && frame.fares == BoardFrame::Fares::Values) {
        // Let the board repaint before the slower stop-name update.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_chimei->SetChimei(frame.stopName);
    }
}

void Form1::doubleClickDisplay(int display) {
    M_Degit* w = m_degits.value(display);
    if (!w)
        return;
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release2(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                         Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
    QCoreApplication::sendEvent(w, &dbl);
    QCoreApplication::sendEvent(w, &release2);
}

bool Form1::displayTakesFormat(int display) const {
    const M_Degit* w = m_degits.value(display);
    return w && w->UserSet();
}

int Form1::displayPlaces(int display) const {
    const M_Degit* d = m_degits.value(display);
    return d ? qMax<int>(0, d->Keta()) : 0;
}

QStringList Form1::clockPlaces() const {
    QStringList out;
    for (const M_Degit* d : m_timeDegits)
        out << (d ? d->shownPlaces() : QString());
    return out;
}

Form1::TicketLabel Form1::ticketLabel(int index) const {
    const Label* l = m_labels.value(index);
    if (!l)
        return {};
    return TicketLabel{l->text(), !l->isHidden(), l->ForeColor()};
}

QString Form1::stopName() const {
    return m_chimei->stopName();
}

qint16 Form1::stopNameSpeed() const {
    return m_chimei->Speed();
}

int Form1::stopNameStartWait() const {
    return m_chimei->ScrollStartWait();
}

void Form1::setStopNameScroll(qint16 speed, int startWait) {
    m_chimei->setSpeed(speed);
    m_chimei->setScrollStartWait(startWait);
}

QString Form1::stopNameDots() const {
    return m_chimei->dots();
}

QImage Form1::builtInPanel() {
    QImage img(kBuiltInPanel);
    return img.convertToFormat(QImage::Format_RGB32);
}

void Form1::buildFromDesign() {
    m_degits.fill(nullptr, kFareDisplays + 1);
    m_labels.fill(nullptr, kFareDisplays + 1);
    m_timeDegits.fill(nullptr, 2);
    for (const DesignNode& node : m_design.children) {
        const PropertyBag& bag = node.properties;
        const bool visible = props::boolean(bag, "Visible", true);
        QWidget* made = nullptr;
        if (node.kind == QLatin1String("M_Degit")) {
            auto* d = new M_Degit(this, &bag);
            d->setObjectName(QStringLiteral("%1(%2)").arg(node.name).arg(node.index));
            if (node.name == QLatin1String("Degit") && node.index >= 0 && node.index <= kFareDisplays) {
                m_degits[node.index] = d;
                const int index = node.index;
                connect(d, &M_Degit::DblClick, this, [this, index] { Degit_DblClick(index); });
            } else if (node.name == QLatin1String("TimeDegit") && node.index >= 0 && node.index <= 1) {
                m_timeDegits[node.index] = d;
            }
            made = d;
        } else if (node.kind == QLatin1String("ChimeiCtl_B")) {
            auto* strip = new ChimeiCtl_B(this, &bag);
            strip->setObjectName(node.name);
            if (node.name == QLatin1String("ChimeiCtl"))
                m_chimei = strip;
            made = strip;
        } else if (node.kind == QLatin1String("Label")) {
            auto* l = new Label(this);
            l->setObjectName(QStringLiteral("%1(%2)").arg(node.name).arg(node.index));
            l->ReadProperties(bag);
            if (node.name == QLatin1String("lblSeiriNum") && node.index >= 0 && node.index <= kFareDisplays) {
                m_labels[node.index] = l;
                // The number sits in the middle of the band it is printed on: the label
                // less a pixel above, two at the sides and, below, the three that the
                // display's window under it covers.
                l->setInkCentred(QMargins(2, 1, 2, 4));
            }
            made = l;
        }
        if (made) {
            made->setGeometry(twipRect(bag));
            made->setVisible(visible);
            m_placed.append({made, twipRect(bag)});
        }
    }
    for (int i = 0; i <= kFareDisplays; ++i) {
        if (!m_degits[i] || !m_labels[i])
            qFatal("board design: Degit(%d) or lblSeiriNum(%d) is missing", i, i);
    }
    if (!m_timeDegits[0] || !m_timeDegits[1])
        qFatal("board design: TimeDegit is missing");
    if (!m_chimei)
        qFatal("board design: ChimeiCtl is missing");
}

M_Degit* Form1::Degit(int index) const {
    return m_degits.value(index, nullptr);
}
Label* Form1::lblSeiriNum(int index) const {
    return m_labels.value(index, nullptr);
}
M_Degit* Form1::TimeDegit(int index) const {
    return m_timeDegits.value(index, nullptr);
}

QRect Form1::designGeometry(const QString& name, int index) const {
    const DesignNode* node = m_design.child(name, index);
    return node ? twipRect(node->properties) : QRect();
}

void Form1::setPicture(const QImage& picture, const QString& source) {
    m_picture = picture;
    m_pictureSource = source;
    m_sharpPicture = QImage();
    m_sharpScale = 0;
    update();
}

void Form1::GetFormInfo(BoardPosition& position) const {
    position.BoardLeft = m_savedPosition.leftAt(pos());
    position.BoardTop = m_savedPosition.topAt(pos());
}

void Form1::SetFormInfo(const BoardPosition& position) {
    move(m_savedPosition.place(position.BoardLeft, position.BoardTop));
}

QRegion Form1::windowRegion() const {
    const int corner = qRound(2 * m_scale);
    return roundRectRegion(width(), height(), corner, corner);
}

void Form1::shapeWindow() {
    if (m_display.fullScreen)
        clearMask();
    else
        setMask(windowRegion());
    update();
}

void Form1::layoutControls() {
    const auto scaled = [this](const QRect& r) {
        return QRect(m_origin.x() + qRound(r.x() * m_scale), m_origin.y() + qRound(r.y() * m_scale),
                     qRound(r.width() * m_scale), qRound(r.height() * m_scale));
    };
    for (const auto& [control, rect] : m_placed) {
        if (auto* d = qobject_cast<M_Degit*>(control))
            d->setScale(m_scale);
        else if (auto* l = qobject_cast<Label*>(control))
            l->setScale(m_scale);
        else if (auto* strip = qobject_cast<ChimeiCtl_B*>(control)) {
            strip->setScale(m_scale);
            strip->setDotLook(m_display.roundDots, m_display.glow);
        }
        control->setGeometry(scaled(rect));
    }
}

void Form1::applyDisplay(const DisplayConfig& display) {
    m_display = display;
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* screen = display.screen >= 0 && display.screen < screens.size()
                          ? screens[display.screen]
                          : QGuiApplication::primaryScreen();
    const QSize board = designSize();
    const QRect area = screen ? (display.fullScreen ? screen->geometry() : screen->availableGeometry())
                              : QRect(QPoint(0, 0), board);
    const auto fitIn = [&board](int width, int height) {
        return qMin(double(width) / board.width(), double(height) / board.height());
    };
    // Full screen and "fit" fill the monitor as far as the board's shape allows, above
    // or beside the console's room when that gives the larger board; a chosen scale is
    // kept as chosen.
    double fit = fitIn(area.width(), area.height());
    bool roomBelow = false, roomBeside = false;
    if (m_consoleRoom.isValid()) {
        const double below = fitIn(area.width(), area.height() - m_consoleRoom.height());
        const double beside = fitIn(area.width() - m_consoleRoom.width(), area.height());
        fit = qMax(below, beside);
        roomBelow = below >= beside;
        roomBeside = !roomBelow;
    }
    fit = qMax(1.0, fit);
    m_scale = display.fitsScreen() || display.fullScreen ? fit : display.scale;
    const QSize drawn(qRound(board.width() * m_scale), qRound(board.height() * m_scale));

    if (display.fullScreen) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (screen && windowHandle())
            windowHandle()->setScreen(screen);
        setGeometry(area);
        m_origin = QPoint(roomBeside ? 0 : (area.width() - drawn.width()) / 2,
                          roomBelow ? 0 : (area.height() - drawn.height()) / 2);
        layoutControls();
        if (isVisible())
            showFullScreen();
    } else {
        const bool wasFull = isFullScreen();
        m_origin = QPoint(0, 0);
        if (wasFull)
            showNormal();
        setFixedSize(drawn);
        if (screen && windowHandle() && windowHandle()->screen() != screen) {
            windowHandle()->setScreen(screen);
            move(area.topLeft());
        }
        layoutControls();
    }
    shapeWindow();
}

QRect Form1::drawnArea() const {
    const QSize board = designSize();
    return QRect(mapToGlobal(m_origin),
                 QSize(qRound(board.width() * m_scale), qRound(board.height() * m_scale)));
}

void Form1::Timer1_Timer() {
    const QString now = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    TimeDegit(0)->setValue(now.mid(0, 2).toInt());
    TimeDegit(1)->setValue(now.mid(3, 2).toInt());
}

void Form1::Degit_DblClick(int index) {
    M_Degit* clicked = Degit(index);
    if (!clicked || !clicked->UserSet())
        return;
    if (m_controller)
        m_controller->setEnabled(false);
    if (clicked->ShowSetDlg() == 1) {
        const qint16 zeroMode = clicked->ZeroMode();
        const qint16 shift = clicked->Shift();
        const qint16 fillZero = clicked->FillZero();
        for (int k = 1; k <= kFareDisplays; ++k) {
            M_Degit* d = Degit(k);
            const DigitValue value = d->Value();
            d->setShift(shift);
            d->setFillZero(fillZero);
            d->setZeroMode(zeroMode);
            d->setValue(value);
        }
        emit displayFormatChosen(zeroMode, shift, fillZero);
    }
    if (m_controller)
        m_controller->setEnabled(true);
}

void Form1::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QSize board = designSize();
    const QRect drawn(m_origin, QSize(qRound(board.width() * m_scale), qRound(board.height() * m_scale)));
    if (m_display.fullScreen)
        p.fillRect(rect(), Qt::black);
    p.fillRect(drawn, palette().color(QPalette::Button));
    if (m_picture.isNull())
        return;
    if (qFuzzyCompare(m_scale, 1.0)) {
        p.drawImage(m_origin, m_picture);
        return;
    }
    // The picture from the top-left corner at its own size, cut off at the board's edge:
    // drawn anew at the scale where it can be, else a raster picture scaled smoothly.
    p.setClipRect(drawn);
    const QImage& sharp = sharpPicture();
    if (!sharp.isNull()) {
        p.drawImage(m_origin, sharp);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(m_origin, QSizeF(m_picture.size()) * m_scale), m_picture);
}

const QImage& Form1::sharpPicture() {
    if (m_sharpScale == m_scale)
        return m_sharpPicture;
    m_sharpScale = m_scale;
    m_sharpPicture = QImage();
    if (m_pictureSource == QLatin1String("builtin")) {
        m_sharpPicture = panelart::image(0, m_scale);
    } else if (const QByteArray bytes = panelswitch::readSvgPicture(m_pictureSource); !bytes.isEmpty()) {
        QSvgRenderer svg(bytes);
        if (svg.isValid()) {
            const QSize size(qRound(m_picture.width() * m_scale), qRound(m_picture.height() * m_scale));
            m_sharpPicture = QImage(size, QImage::Format_ARGB32_Premultiplied);
            m_sharpPicture.fill(Qt::transparent);
            QPainter p(&m_sharpPicture);
            svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
        }
    }
    return m_sharpPicture;
}

bool Form1::pressMovesWindow(const QPoint& pos) const {
    return !m_display.fullScreen && rect().contains(pos) && childAt(pos) == nullptr;
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QMenu* size = menu.addMenu(tr("表示の大きさ"));
    const auto choice = [&](QMenu* in, const QString& text, bool checked, auto change) {
        QAction* a = in->addAction(text);
        a->setCheckable(true);
        a->setChecked(checked);
        connect(a, &QAction::triggered, this, [this, change] {
            DisplayConfig d = m_display;
            change(d);
            chooseDisplay(d);
        });
    };
    const QString sizes[] = {tr("等倍"), tr("2倍"), tr("3倍"), tr("4倍")};
    for (int k = 1; k <= DisplayConfig::kMaxScale; ++k)
        choice(size, sizes[k - 1], m_display.scale == k, [k](DisplayConfig& d) { d.scale = k; });
    choice(size, tr("画面に合わせる"), m_display.fitsScreen(), [](DisplayConfig& d) { d.scale = 0; });
    choice(&menu, tr("全画面表示"), m_display.fullScreen,
           [](DisplayConfig& d) { d.fullScreen = !d.fullScreen; });
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() > 1) {
        QMenu* monitors = menu.addMenu(tr("表示するモニター"));
        for (int i = 0; i < screens.size(); ++i)
            choice(monitors, tr("モニター%1（%2）").arg(i + 1).arg(screens[i]->name()), m_display.screen == i,
                   [i](DisplayConfig& d) { d.screen = i; });
    }
    menu.addSeparator();
    QMenu* dots = menu.addMenu(tr("停名のドット"));
    choice(dots, tr("四角"), !m_display.roundDots, [](DisplayConfig& d) { d.roundDots = false; });
    choice(dots, tr("丸"), m_display.roundDots, [](DisplayConfig& d) { d.roundDots = true; });
    choice(&menu, tr("消灯しているドットをうっすら光らせる"), m_display.glow,
           [](DisplayConfig& d) { d.glow = !d.glow; });
    if (m_menuExtension) {
        menu.addSeparator();
        m_menuExtension(menu);
    }
    menu.exec(event->globalPos());
}

void Form1::chooseDisplay(const DisplayConfig& display) {
    applyDisplay(display);
    // The file also keeps the signs and the other boards: only the board's own look
    // is written over what it holds.
    DisplayConfig kept = DisplayConfig::load();
    kept.takeBoardLook(display);
    if (!kept.save())
        msgbox::show(this,
                     tr("表示の設定を保存できませんでした。") + QStringLiteral("\r\n") +
                         DisplayConfig::filePath(),
                     tr("エラー"), msgbox::Icon::Exclamation);
}

void Form1::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && event->buttons() == Qt::LeftButton) {
        // A press that a control passed on (a display, a label, the strip) stays with
        // the control, so that its double-click reaches it.
        if (pressMovesWindow(event->position().toPoint())) {
            if (QWindow* w = windowHandle())
                w->startSystemMove();
            emit moveStarted();
        }
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

#include "app/SignSet.h"

#include "app/Program.h"
#include "board/BoardFrame.h"
#include "controller/ConsoleModel.h"
#include "platform/ui/MessageBox.h"
#include "stopname/GlyphSource.h"
#include "stopname/ui/SignWindow.h"

#include <QActionGroup>
#include <QDateTime>
#include <QMenu>

#include <algorithm>

SignSet::SignSet(ConsoleModel& console, const DisplayConfig& display, bool persist, QObject* parent)
    : QObject(parent), m_console(console), m_display(display), m_persist(persist),
      m_driver(chimei::GlyphSource::shared()) {
    m_clock.start();
    m_epochAtZero = QDateTime::currentMSecsSinceEpoch() - m_clock.elapsed();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SignSet::tick);
    m_saveLater.setSingleShot(true);
    m_saveLater.setInterval(700);
    connect(&m_saveLater, &QTimer::timeout, this, &SignSet::save);
    m_driver.setSettings(m_display.signSettings(), now());
    m_driver.setText(console.frame().sign, now());
    connect(&console, &ConsoleModel::frameChanged, this, &SignSet::showFrame);
}

SignSet::~SignSet() = default;

void SignSet::start(QPoint firstPlace) {
    m_firstPlace = firstPlace;
    for (signs::SignKind kind : signs::kAllSigns) {
        if (m_display.sign(kind).open)
            setOpen(kind, true, false);
    }
}

bool SignSet::isOpen(signs::SignKind kind) const {
    return m_windows[size_t(kind)] != nullptr;
}

void SignSet::setOpen(signs::SignKind kind, bool open, bool saveNow) {
    std::unique_ptr<SignWindow>& w = m_windows[size_t(kind)];
    if (open && !w) {
        w = std::make_unique<SignWindow>(kind);
        w->setColour(m_display.signColour);
        w->setDotPixels(m_display.signDotPixels);
        if (const std::optional<QPoint>& at = m_display.sign(kind).position) {
            w->move(*at);
        } else {
            QPoint place = m_firstPlace;
            for (signs::SignKind before : signs::kAllSigns) {
                if (before == kind)
                    break;
                place.ry() += (signs::signSize(before).height() + 4) * m_display.signDotPixels + 8;
            }
            w->move(place);
        }
        connect(w.get(), &SignWindow::moved, this, [this, kind](QPoint at) {
            if (m_display.sign(kind).position == at)
                return;
            m_display.sign(kind).position = at;
            m_saveLater.start();
        });
        // Closed by the window system: as the menu closes it, once the event is done.
        connect(w.get(), &SignWindow::closeRequested, this,
                [this, kind] { QTimer::singleShot(0, this, [this, kind] { setOpen(kind, false); }); });
        connect(w.get(), &SignWindow::menuRequested, this, [this](QPoint at) {
            QMenu menu;
            addMenu(menu);
            menu.exec(at);
        });
    } else if (!open && w) {
        m_display.sign(kind).position = w->pos();
        // Its own menu may be what closes it: it goes once that is done.
        SignWindow* closing = w.release();
        closing->hide();
        closing->deleteLater();
    }
    m_display.sign(kind).open = open;
    m_driver.setOpen(kind, open, now());
    if (w) {
        w->showDots(m_driver.dots(kind));
        w->show();
        // A place kept on a larger screen would leave the sign out of reach.
        if (m_persist)
            keepOnScreen(*w);
    }
    schedule();
    if (saveNow)
        save();
}

void SignSet::setColour(signs::LedColour colour, bool saveNow) {
    m_display.signColour = colour;
    m_driver.setSettings(m_display.signSettings(), now());
    for (signs::SignKind kind : signs::kAllSigns) {
        if (SignWindow* w = window(kind)) {
            w->setColour(colour);
            w->showDots(m_driver.dots(kind));
        }
    }
    schedule();
    if (saveNow)
        save();
}

void SignSet::addMenu(QMenu& parent) {
    QMenu* menu = parent.addMenu(tr("行先表示器"));
    const QString names[] = {tr("前面"), tr("側面"), tr("後面")};
    for (signs::SignKind kind : signs::kAllSigns) {
        QAction* a = menu->addAction(names[int(kind)]);
        a->setCheckable(true);
        a->setChecked(isOpen(kind));
        connect(a, &QAction::triggered, this, [this, kind](bool on) { setOpen(kind, on); });
    }
    menu->addSeparator();
    const QString colours[] = {tr("アンバー"), tr("白"), tr("緑"), tr("フルカラー")};
    auto* group = new QActionGroup(menu);
    for (signs::LedColour c : {signs::LedColour::Amber, signs::LedColour::White, signs::LedColour::Green,
                               signs::LedColour::Full}) {
        QAction* a = menu->addAction(colours[int(c)]);
        a->setCheckable(true);
        a->setChecked(c == m_display.signColour);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, c] { setColour(c); });
    }
}

void SignSet::showFrame(const BoardFrame& frame) {
    if (frame.sign == m_driver.text())
        return;
    // A new route: every sign shows it before this frame is done.
    m_driver.setText(frame.sign, now());
    for (signs::SignKind kind : signs::kAllSigns) {
        if (SignWindow* w = window(kind))
            w->showDots(m_driver.dots(kind));
    }
    schedule();
}

void SignSet::tick() {
    showChanged(m_driver.advance(now()));
    schedule();
}

void SignSet::showChanged(int changed) {
    for (signs::SignKind kind : signs::kAllSigns) {
        SignWindow* w = window(kind);
        if (w && (changed & (1 << int(kind))))
            w->showDots(m_driver.dots(kind));
    }
}

void SignSet::schedule() {
    const qint64 next = m_driver.nextEventMs();
    if (next < 0) {
        m_timer.stop();
        return;
    }
    // While a text scrolls, about one step of a dot per tick (16..50 ms).
    qint64 wait = std::max<qint64>(0, next - now());
    if (m_driver.scrolling())
        wait = std::max<qint64>(wait, std::clamp(400 / std::max(1, m_display.signSpeed), 16, 50));
    m_timer.start(int(std::min<qint64>(wait, 24 * 3600 * 1000)));
}

void SignSet::save() {
    if (!m_persist)
        return;
    for (signs::SignKind kind : signs::kAllSigns) {
        if (SignWindow* w = window(kind))
            m_display.sign(kind).position = w->pos();
    }
    DisplayConfig kept = DisplayConfig::load();
    kept.takeSigns(m_display);
    if (!kept.save())
        msgbox::show(nullptr,
                     tr("表示の設定を保存できませんでした。") + QStringLiteral("\r\n") +
                         DisplayConfig::filePath(),
                     tr("エラー"), msgbox::Icon::Exclamation);
}

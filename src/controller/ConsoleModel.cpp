#include "controller/ConsoleModel.h"

#include "platform/BlockingWait.h"
#include "route/RouteOperation.h"
#include "route/SignFile.h"
#include "settings/LiveSettings.h"
#include "settings/SettingViews.h"
#include "sound/mdlM_Tape.h"
#include "sound/mdlSndAPI.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>

namespace {

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

} // namespace

ConsoleModel::ConsoleModel(const LiveSettings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

void ConsoleModel::emitFrame() {
    ++m_frame.sequence;
    emit frameChanged(m_frame);
}

DataIo::LoadResult ConsoleModel::setRoute(const QString& routeNumber, const QString& sectionText) {
    const LiveSettings& live = m_settings;
    const QString fareFolder = withSeparator(live.text(Setting::FareDataFolder));
    const QString tapeFolder = withSeparator(live.text(Setting::TapeDataFolder));
    mdlSndAPI::PlaySnd(live.text(Setting::RouteSetSound), QStringLiteral("S1"), 0, 0);

    m_route.RouteNumber = routeNumber;
    m_route.SectionNumber = routeop::clampSection(sectionText);
    mdlM_Tape::LoadTape(tapeFolder, QString::number(routeop::numericValue(m_route.RouteNumber)));
    const DataIo::LoadResult loaded = DataIo::LoadRoute(m_route, fareFolder);
    if (!loaded.loaded())
        return loaded;
    // The signs change with the route, in the lamp test's frame already.
    const signfile::Loaded sign = signfile::load(fareFolder, m_route);
    m_frame.sign = sign.sign;
    m_signMessage = sign.message;

    // The lamp test: every segment lit while the route is chosen.
    m_frame.stopName = QStringLiteral("系統選別中");
    ++m_frame.stopNameSerial;
    m_frame.fares = BoardFrame::Fares::LampTest;
    emitFrame();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    blocking::wait(3000);
    m_frame.fares = BoardFrame::Fares::Values;
    m_frame.values.fill(DigitValue::number(0));
    emitFrame();
    m_routeSet = true;
    if (live.isOn(Setting::TicketDateOnPrint) || live.isOn(Setting::TicketDateOnRouteSet))
        m_routeSetDate = routeop::ticketDate(QDate::currentDate());
    else
        m_routeSetDate = live.text(Setting::TicketFixedDate);
    emit consoleChanged();
    showCurrentStop();
    return loaded;
}

bool ConsoleModel::step(int direction) {
    const std::optional<qint16> target =
        routeop::stepTarget(m_route.CurrentStop, m_route.RowCount, direction == 1);
    if (!target)
        return false;
    m_route.CurrentStop = *target;
    const LiveSettings& live = m_settings;
    const QString sound =
        routeop::stepSound(settings_views::stepSounds(live), m_route.FareTable[m_route.CurrentStop + 1]);
    const qint16 wait = live.isOn(Setting::StepSoundSync) ? 1 : 0;
    mdlSndAPI::PlaySnd(sound, QStringLiteral("S2"), wait, 0);
    showCurrentStop();
    return true;
}

void ConsoleModel::showCurrentStop() {
    showRow(static_cast<qint16>(m_route.CurrentStop + 1));
}

void ConsoleModel::setLateNight(bool on) {
    if (on == m_lateNight)
        return;
    m_lateNight = on;
    if (m_routeSet && !m_cleared)
        showRow(static_cast<qint16>(m_route.CurrentStop + 1), false);
}

void ConsoleModel::showRow(qint16 row, bool newStopName) {
    if (row < 1 || row > DataIo::FareTableRowCount)
        return;
    const LiveSettings& live = m_settings;
    const DataIo::RouteRow& data = m_route.FareTable[row];

    // Fares from the section on, then the information values.
    const routeop::InfoValues info = settings_views::infoValues(live);
    const QVector<routeop::DisplayWrite> writes =
        routeop::boardWrites(data, row, m_route.SectionNumber, m_lateNight, info, m_route.RouteNumber);
    m_frame.fares = BoardFrame::Fares::Values;
    for (const routeop::DisplayWrite& w : writes) {
        if (w.display >= 1 && w.display <= BoardFrame::kFareDisplays)
            m_frame.values[size_t(w.display)] =
                w.isText ? DigitValue::text(w.text) : DigitValue::number(static_cast<double>(w.number));
    }

    // The ticket's date.
    QString date;
    if (live.isOn(Setting::TicketDateOnPrint))
        date = routeop::ticketDate(QDate::currentDate());
    else if (live.isOn(Setting::TicketDateOnRouteSet))
        date = m_routeSetDate;
    else
        date = live.text(Setting::TicketFixedDate);
    BoardFrame::Ticket& ticket = m_frame.ticket;
    ticket.shown = live.isOn(Setting::UseTicketPreview);
    ticket.stopName = data.StopNameBytes;
    ticket.date = date;
    ticket.time = routeop::ticketTime(QTime::currentTime());
    ticket.routeNumber = routeop::numericValue(m_route.RouteNumber);
    ticket.ticketNumber = data.TicketNumber;
    ticket.row = row;

    if (newStopName || m_frame.stopName != data.StopName) {
        m_frame.stopName = data.StopName;
        ++m_frame.stopNameSerial;
    }
    emitFrame();
}

void ConsoleModel::setBacklight(int state) {
    m_backlight = qBound(0, state, 2);
    emit backlightChanged(m_backlight);
}

void ConsoleModel::setDisplayCleared(bool on) {
    m_cleared = on;
    if (on) {
        m_frame.stopName.clear();
        ++m_frame.stopNameSerial;
        m_frame.fares = BoardFrame::Fares::Blank;
        // What the next stop does not write stays blank.
        m_frame.values = BoardFrame::blankValues();
        m_frame.clockShown = false;
        emitFrame();
        emit consoleChanged();
        return;
    }
    m_frame.clockShown = true;
    emit consoleChanged();
    showCurrentStop();
}

void ConsoleModel::setDisplayFormats(
    const std::array<DisplayFormat, BoardFrame::kFareDisplays + 1>& formats) {
    m_frame.formats = formats;
    emitFrame();
}

void ConsoleModel::setAllDisplayFormats(int zeroMode, int shift, int fillZero) {
    for (int i = 1; i <= BoardFrame::kFareDisplays; ++i)
        m_frame.formats[size_t(i)] = DisplayFormat{0, zeroMode, shift, fillZero};
    emitFrame();
}

void ConsoleModel::blankFares(const QString& text) {
    m_frame.fares = BoardFrame::Fares::Values;
    m_frame.values = BoardFrame::blankValues(text);
    emitFrame();
}

void ConsoleModel::showStopName(const QString& name) {
    m_frame.stopName = name;
    ++m_frame.stopNameSerial;
    emitFrame();
}

void ConsoleModel::setStopNameBytes(int row, const QByteArray& bytes) {
    if (row < 1 || row > DataIo::FareTableRowCount)
        return;
    DataIo::RouteRow& data = m_route.FareTable[row];
    if (data.StopNameBytes == bytes)
        return;
    data.setStopNameBytes(bytes);
}

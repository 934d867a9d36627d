#include "app/WebView.h"

#include "app/Automation.h"
#include "app/Program.h"
#include "app/ProgramArgs.h"
#include "app/SignSet.h"
#include "board/ui/Form1.h"
#include "board/ui/Label.h"
#include "board/ui/M_Degit.h"
#include "board/ui/PanelArt.h"
#include "board/ui/PictureFile.h"
#include "controller/ConsoleModel.h"
#include "platform/ui/MessageBox.h"
#include "remote/RemoteFiles.h"
#include "settings/ui/frmOption.h"
#include "sound/mdlM_Tape.h"
#include "stopname/ChimeiLayout.h"
#include "stopname/GlyphSource.h"
#include "stopname/ui/ChimeiCtl_B.h"
#include "web/WebSettings.h"

#include <QApplication>
#include <QBuffer>
#include <QDateTime>
#include <QHostInfo>
#include <QImageWriter>
#include <QPainterPath>
#include <QThread>
#include <cstdio>

namespace {

// How often the board is looked at for changes that send no signal.
constexpr int kPollMs = 200;
// How many turns of the event loop a frame waits for the strip to take a new name.
constexpr int kStripWaits = 20;
// The event loop level of the program's main loop: deeper means it waits inside a loop
// of its own.
constexpr int kMainLoopLevel = 1;
// A panel picture in SVG larger than this goes to the page as the board's picture.

QString g_servedPage;

web::Rect rectOf(const QRect& r) {
    return web::Rect{r.x(), r.y(), r.width(), r.height()};
}

QString pathData(const QPainterPath& path) {
    web::PathText out;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            if (i > 0)
                out.close();
            out.moveTo(e.x, e.y);
        } else if (e.isLineTo()) {
            out.lineTo(e.x, e.y);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            out.cubicTo(e.x, e.y, c2.x, c2.y, end.x, end.y);
            i += 2;
        }
    }
    if (path.elementCount() > 0)
        out.close();
    return out.text();
}

// The characters a display can show: the printable ASCII ones the digit faces have.
web::GlyphSet glyphSetOf(const M_Degit& d) {
    web::GlyphSet set;
    for (char16_t c = 0x21; c < 0x7F; ++c) {
        const QPainterPath outline = d.placeOutline(QChar(c));
        if (!outline.isEmpty())
            set.insert(QString(QChar(c)), pathData(outline));
    }
    return set;
}

// The layout of one display, its outlines added to the sets when no display before had them.
web::DigitLayout digitLayout(const M_Degit& d, const QRect& rect, web::BoardLayout& layout,
                             QList<QString>& setKeys) {
    web::DigitLayout out;
    out.rect = rectOf(rect);
    out.places = qMax<int>(0, d.Keta());
    const QSize place = d.designPlaceSize();
    out.placeWidth = place.width();
    out.placeHeight = place.height();
    out.gap = d.CharExtra();
    const QString key = QStringLiteral("%1x%2 %3")
                            .arg(place.width())
                            .arg(place.height())
                            .arg(pathData(d.placeOutline(QLatin1Char('8'))));
    qsizetype set = setKeys.indexOf(key);
    if (set < 0) {
        set = setKeys.size();
        setKeys << key;
        layout.glyphSets << glyphSetOf(d);
    }
    out.glyphSet = int(set);
    return out;
}

} // namespace

QString servedBoardPage() {
    return g_servedPage;
}

WebView::WebView(Program& program, QObject* parent)
    : QObject(parent), m_program(program), m_stream(&m_output),
      m_runner(std::make_unique<ScriptRunner>(program, m_stream)) {
    m_server.setRunner([this](const QString& line) { return run(line); });
    QStringList names{QHostInfo::localHostName()};
    if (!QHostInfo::localDomainName().isEmpty())
        names << QHostInfo::localHostName() + QLatin1Char('.') + QHostInfo::localDomainName();
    m_server.setHostNames(names);
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &WebView::refresh);
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &WebView::refresh);
    ConsoleModel& console = program.console();
    connect(&console, &ConsoleModel::frameChanged, this, &WebView::schedule);
    connect(&console, &ConsoleModel::backlightChanged, this, &WebView::schedule);
    // The settings may change the displays' digit face: the layout is read again.
    connect(&program.options(), &frmOption::settingsApplied, this, [this] {
        m_layoutDirty = true;
        schedule();
    });
    connect(&program.options(), &frmOption::panelSettingsRestored, this, &WebView::schedule);
    connect(&m_server, &WebServer::viewerCountChanged, this, [this](int viewers) {
        if (viewers > 0 && !m_poll.isActive()) {
            m_poll.start();
            refresh();
        } else if (viewers == 0)
            m_poll.stop();
    });
}

WebView::~WebView() {
    if (g_servedPage == m_server.pageAddress())
        g_servedPage.clear();
}

bool WebView::listen(const QHostAddress& address, quint16 port, const QByteArray& token) {
    m_server.setToken(token);
    if (!m_server.listen(address, port))
        return false;
    m_server.setLayout(web::encodeLayout(layout()));
    refresh();
    g_servedPage = m_server.pageAddress();
    return true;
}

void WebView::schedule() {
    if (!m_soon.isActive())
        m_soon.start();
}

web::BoardLayout WebView::layout() const {
    Form1& board = m_program.board();
    web::BoardLayout out;
    const QSize size = Form1::designSize();
    out.width = size.width();
    out.height = size.height();
    QList<QString> setKeys;
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        out.displays << digitLayout(*board.Degit(i), board.designGeometry(QStringLiteral("Degit"), i), out,
                                    setKeys);
        const Label* label = board.lblSeiriNum(i);
        out.labels << web::LabelLayout{rectOf(board.designGeometry(QStringLiteral("lblSeiriNum"), i)),
                                       label->FontSize(), label->FontBold()};
    }
    for (int k = 0; k < 2; ++k)
        out.clock << digitLayout(*board.TimeDegit(k), board.designGeometry(QStringLiteral("TimeDegit"), k),
                                 out, setKeys);
    const ChimeiCtl_B& strip = *board.ChimeiCtl();
    out.strip = rectOf(board.designGeometry(QStringLiteral("ChimeiCtl")));
    const QSize frame = strip.frameSize();
    out.strip.w = frame.width();
    out.strip.h = frame.height();
    const int border = strip.Appearance() == 0 ? 0 : 2;
    out.stripViewport = web::Rect{border, border, frame.width() - 2 * border, frame.height() - 2 * border};
    return out;
}

QString WebView::panelAddress() {
    const Form1& board = m_program.board();
    const QImage& picture = board.picture();
    if (picture.isNull())
        return QString();
    if (picture.cacheKey() != m_panelKey) {
        m_panelKey = picture.cacheKey();
        // A panel drawn as SVG (the built-in one, or a file) goes as SVG, sharp at any
        // size; any other as the board shows it.
        const QString source = board.pictureSource();
        QByteArray bytes;
        if (source == QLatin1String("builtin")) {
            // The built-in panel is drawn: the page gets the drawing.
            const QByteArray drawn = panelart::svg(0);
            if (QImage::fromData(drawn, "svg").size() == picture.size())
                bytes = drawn;
        } else if (const QByteArray svg = panelswitch::readSvgPicture(source);
                   !svg.isEmpty() && QImage::fromData(svg, "svg").size() == picture.size()) {
            bytes = svg;
        }
        const bool svg = !bytes.isEmpty();
        if (!svg) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            writer.write(picture);
        }
        m_panelPath = QStringLiteral("/panel/%1.%2").arg(++m_panelCount).arg(svg ? "svg" : "png");
        m_server.setPicture(m_panelPath, bytes);
    }
    return m_panelPath;
}

const web::SignsView& WebView::signsView() {
    const SignSet& set = m_program.signs();
    if (!m_signsLaidOut || m_signs.text != set.text() || m_signs.settings != set.settings()) {
        m_signsLaidOut = true;
        m_signs.text = set.text();
        m_signs.settings = set.settings();
        chimei::GlyphSource& glyphs = chimei::GlyphSource::shared();
        for (signs::SignKind kind : signs::kAllSigns) {
            for (signs::Lang lang : {signs::Lang::Japanese, signs::Lang::English})
                m_signs.layouts[size_t(kind)][size_t(lang)] =
                    signs::layoutSign(kind, m_signs.text, lang, glyphs, m_signs.settings.fillBox);
        }
    }
    m_signs.colour = set.colour();
    m_signs.clockStart = set.clockStartEpochMs();
    m_signs.japaneseMs = set.clock().japaneseMs();
    m_signs.englishMs = set.clock().englishMs();
    return m_signs;
}

web::ViewState WebView::state() {
    Form1& board = m_program.board();
    const BoardFrame& frame = m_program.console().frame();
    web::ViewState s;
    for (int i = 1; i <= Form1::kFareDisplays; ++i) {
        s.displays << frame.places(i, board.displayPlaces(i));
        const DisplayFormat& f = frame.formats[size_t(i)];
        s.formats << QList<int>{f.zeroMode, f.shift, f.fillZero};
        const Form1::TicketLabel l = board.ticketLabel(i);
        s.labels << web::LabelState{l.text, l.visible, l.color};
    }
    switch (frame.fares) {
    case BoardFrame::Fares::Values:
        s.fares = QStringLiteral("values");
        break;
    case BoardFrame::Fares::LampTest:
        s.fares = QStringLiteral("lampTest");
        break;
    case BoardFrame::Fares::Blank:
        s.fares = QStringLiteral("blank");
        break;
    }
    const ChimeiCtl_B& strip = *board.ChimeiCtl();
    s.stopName = strip.stopName();
    s.stopNameSerial = frame.stopNameSerial;
    s.stripHeight = strip.stripHeight();
    for (int y = 0; y < s.stripHeight; ++y)
        s.stripRows << strip.strip().row(y);
    s.stripScrolls = s.stripHeight > chimei::kStripHeight;
    s.scrollSpeed = board.stopNameSpeed();
    s.scrollWait = board.stopNameStartWait();
    s.clockVisible = !board.TimeDegit(0)->isHidden();
    s.clockShown = frame.clockShown;
    s.clockPlaces = board.clockPlaces();
    s.backlight = m_program.console().backlight();
    s.panel = panelAddress();
    const M_Degit& display = *board.Degit(1);
    s.digitBack = display.BackColor();
    s.digitUnlit = display.BaseForeColor();
    s.digitLit = display.DegitForeColor();
    s.stripBack = strip.BackColor();
    s.stripFore = strip.ForeColor();
    // What the console lets the operator press follows from its model: stepping once a
    // route is set, nothing but the clear box while the board is cleared, the
    // announcements while speech is ready.
    const ConsoleModel& console = m_program.console();
    const bool open = !console.displayCleared();
    s.console = web::ConsoleState{console.displayCleared(),
                                  console.lateNight(),
                                  open && console.routeSet(),
                                  open && console.routeSet(),
                                  open,
                                  open && mdlM_Tape::SpeechReady()};
    s.roundDots = board.display().roundDots;
    s.glow = board.display().glow;
    s.signs = signsView();
    return s;
}

void WebView::refresh() {
    // The strip takes a new name after the board has repainted its displays: the frame
    // waits for it.
    if (m_program.board().stopName() != m_program.console().frame().stopName &&
        m_waitedForStrip < kStripWaits) {
        ++m_waitedForStrip;
        schedule();
        return;
    }
    m_waitedForStrip = 0;
    if (m_layoutDirty) {
        m_layoutDirty = false;
        m_server.setLayout(web::encodeLayout(layout()));
    }
    web::ViewState now = state();
    if (m_published && now.sameAs(m_shown))
        return;
    m_shown = std::move(now);
    m_published = true;
    const int utcOffsetMinutes = QDateTime::currentDateTime().offsetFromUtc() / 60;
    m_server.publish(web::encodeFrameBody(m_shown, utcOffsetMinutes));
}

QString WebView::run(const QString& line) {
    // While the program waits in a dialog of its own, or inside a pause or a sound of its
    // own, the console is not to be worked.
    if (QApplication::activeModalWidget())
        return QStringLiteral("the program is waiting in a dialog on its screen: answer it there first");
    if (QThread::currentThread()->loopLevel() > kMainLoopLevel)
        return QStringLiteral("the program is busy: try again in a moment");
    const bool waited = !msgbox::showsWithoutWaiting();
    msgbox::setShowWithoutWaiting(true);
    m_output.clear();
    const QString error = m_runner->run(line);
    m_stream.flush();
    m_output.clear();
    msgbox::setShowWithoutWaiting(!waited);
    schedule();
    emit commandRun();
    return error;
}

std::unique_ptr<WebView> startWebView(Program& program, const ProgramArgs& args, int& exitStatus) {
    exitStatus = 0;
    const bool fromCommandLine = args.webPort.has_value();
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = 0;
    if (fromCommandLine) {
        port = *args.webPort;
        if (!args.webAddress.isEmpty())
            address = args.webAddress;
    } else {
        QStringList problems;
        const QString path = WebSettings::filePath();
        const WebSettings settings = WebSettings::load(path, &problems);
        for (const QString& p : problems)
            std::fprintf(stderr, "508: %s: %s\n", qPrintable(path), p.toUtf8().constData());
        if (!settings.enabled)
            return nullptr;
        port = settings.port;
        address = settings.address;
    }
    const auto cannotServe = [&](const QString& problem) {
        std::fprintf(stderr, "508: %s\n", problem.toUtf8().constData());
        std::fflush(stderr);
        if (fromCommandLine)
            exitStatus = 2;
    };
    // The control page takes the remote-control token.
    const QString tokenPath =
        args.listenTokenFile.isEmpty() ? remote::defaultTokenPath() : args.listenTokenFile;
    const remote::TokenResult token = remote::loadOrCreateToken(tokenPath);
    if (!token.error.isEmpty()) {
        cannotServe(QStringLiteral("cannot serve the board page: %1").arg(token.error));
        return nullptr;
    }
    const QHostAddress host =
        address == QLatin1String("localhost") ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(address);
    auto view = std::make_unique<WebView>(program);
    if (!view->listen(host, port, token.token)) {
        cannotServe(QStringLiteral("cannot serve the board page on %1:%2: %3")
                        .arg(address)
                        .arg(port)
                        .arg(view->server().errorString()));
        return nullptr;
    }
    std::fprintf(stderr, "508: board page at %s\n", qPrintable(view->server().pageAddress()));
    std::fflush(stderr);
    return view;
}

#pragma once

#include "plugins/Barcode.h"
#include "plugins/PluginInfo.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// Ticket plug-in files (*.4SP): a text file of sections and `key = value` lines that
// describes what a plug-in can print, its notes, its company names and the layout of
// its ticket. The format is described for plug-in writers in docs/plugin-format.md.
// A plug-in file is data only: reading one never runs anything, opens another file or
// reaches the network.
namespace plugins {

// Files larger than this are refused before they are read.
inline constexpr qint64 kMaxPluginBytes = 256 * 1024;
// Longest line, in bytes.
inline constexpr int kMaxLineBytes = 1024;
// At most this many placed items, company names and note lines.
inline constexpr int kMaxItems = 64;
inline constexpr int kMaxCompanies = 16;
inline constexpr int kMaxNoteLines = 100;
inline constexpr int kMaxTextLength = 200;

// One reason a file is refused. `line` is 1-based; 0 for the file as a whole.
struct Problem {
    int line = 0;
    QString field;
    QString reason;
    // "line L, field F: reason", "line L: reason", or the reason alone.
    QString text() const;
    friend bool operator==(const Problem&, const Problem&) = default;
};

enum class ItemKind { Text, Number, Row, Route, Stop, Date, Time, Company, Barcode, Line, Box };
enum class Align { Left, Center, Right };
enum class LineStyle { Solid, Dash, Dot };

// Colours are 0xRRGGBB.
using Rgb = quint32;

// One placed item of the ticket; positions and sizes in pixels from the ticket's
// top-left corner. Which members matter depends on the kind.
struct LayoutItem {
    ItemKind kind = ItemKind::Text;
    int line = 0;    // the line of the item's section header
    QRect box;       // every kind except Line
    QPoint from, to; // Line
    QString font;    // font name as written (mapped to an installed face when drawn)
    int size = 12;   // font height in pixels
    bool bold = false;
    Align align = Align::Left;
    Rgb color = 0;
    QString format;    // the text of a Text item; the format of the others
    int lineWidth = 1; // Line, Box
    LineStyle style = LineStyle::Solid;
    bool filled = false; // Box
    Rgb fill = 0;
    int radius = 0;                       // Box corners
    Symbology symbology = Symbology::Itf; // Barcode
    int flag = 0;                         // Barcode: 0 outbound, 1 return
    bool readable = false;                // Barcode: digits printed under the bars
    QChar nw7Start = QLatin1Char('A');
    QChar nw7Stop = QLatin1Char('A');
};

struct TicketLayout {
    QSize size; // the paper, in pixels
    Rgb paper = 0xFFFFFF;
    Rgb ink = 0x000000;
    Rgb border = 0;
    bool hasBorder = false;
    int radius = 0;
    QString font;
    QList<LayoutItem> items;
};

struct PluginFile {
    PluginInfo info;
    QString name;
    QString notes; // lines joined by "\n"
    QStringList companies;
    TicketLayout ticket;
    QList<Problem> problems;
    bool valid() const { return problems.isEmpty(); }
};

// Reads a plug-in from its bytes. Every problem found is listed; the other members
// are only meaningful when there is none.
PluginFile parsePlugin(const QByteArray& bytes);

// Reads a plug-in file: anything but a regular file, and files over kMaxPluginBytes,
// are refused without being read.
PluginFile loadPlugin(const QString& path);

// The names of the item kinds and the sections that place them ("number", "stop", ...).
QString kindName(ItemKind kind);

} // namespace plugins

#pragma once

#include "plugins/PluginFile.h"

#include <QDate>
#include <QString>
#include <QTime>

// The formats of a ticket's placed items: literal text with placeholders in braces,
// "{}" for the value, "{000}" for a number with at least three digits, "{yyyy}",
// "{MM}", "{HH}", ... for parts of the date and time; "{{" and "}}" are braces.
namespace plugins {

// What the ticket shows, as the drawing call hands it over.
struct TicketValues {
    qint32 routeNumber = 0;
    qint16 ticketNumber = 0;
    qint16 row = 0;
    QString stopName;
    QString dateText; // "MM-DD-YYYY", or "yyyy/mm/dd" for a fixed date
    QString timeText; // "HH:MM:SS"
    QString company;
};

// The format an item of this kind uses when its section gives none.
QString defaultFormat(ItemKind kind);

// True when `format` suits an item of this kind; otherwise the reason in `why`.
bool checkFormat(ItemKind kind, const QString& format, QString* why);

// The text of an item. A date or time text that is in neither known form is shown
// as it came, in place of the whole format.
QString formatItem(ItemKind kind, const QString& format, const TicketValues& values);

// "MM-DD-YYYY" or "YYYY/MM/DD"; an invalid QDate otherwise.
QDate parseTicketDate(const QString& text);
// "HH:MM:SS" or "HH:MM"; an invalid QTime otherwise.
QTime parseTicketTime(const QString& text);

} // namespace plugins

#include "route/SignFile.h"

#include "platform/Cp932.h"
#include "platform/RegularFile.h"

#include <QStringDecoder>

namespace signfile {
namespace {

struct Key {
    const char* name;
    QString RouteSign::*field;
};

const Key kKeys[] = {
    {"number", &RouteSign::number}, {"destination", &RouteSign::destination},
    {"via", &RouteSign::via},       {"destination_en", &RouteSign::destinationEn},
    {"via_en", &RouteSign::viaEn},
};

QString lineProblem(int line, const QString& what) {
    return QStringLiteral("%1行目: %2").arg(line).arg(what);
}

// Why a value cannot be shown, or "".
QString valueProblem(const QString& key, const QString& value) {
    if (value.size() > kMaxValueLength)
        return QStringLiteral("%1 が長すぎます（%2文字まで）").arg(key).arg(kMaxValueLength);
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("%1 に制御文字があります").arg(key);
    }
    // The signs draw from the 16-dot faces, which hold the cp932 characters only.
    const QString missing = cp932::unencodable(value);
    if (!missing.isEmpty())
        return QStringLiteral("%1 の「%2」は表示器にない文字です").arg(key, missing);
    return QString();
}

} // namespace

Parsed parse(const QByteArray& text) {
    Parsed out;
    RouteSign values;
    int keyLine[std::size(kKeys)] = {};
    int sectionLine = 0;
    QByteArray body = text;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    const QList<QByteArray> lines = body.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = int(i) + 1;
        QByteArray raw = lines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString line = QString(decoder.decode(raw)).trimmed();
        if (decoder.hasError()) {
            out.problems << lineProblem(number, QStringLiteral("UTF-8 の文字ではありません"));
            continue;
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (line != QLatin1String("[sign]"))
                out.problems << lineProblem(number, QStringLiteral("知らない節 %1 です").arg(line));
            else if (sectionLine != 0)
                out.problems << lineProblem(
                    number, QStringLiteral("[sign] が二度あります（%1行目）").arg(sectionLine));
            else
                sectionLine = number;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            out.problems << lineProblem(number, QStringLiteral("「名前=値」の形ではありません"));
            continue;
        }
        if (sectionLine == 0) {
            out.problems << lineProblem(number, QStringLiteral("[sign] より前にあります"));
            continue;
        }
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        size_t k = 0;
        while (k < std::size(kKeys) && name != QLatin1String(kKeys[k].name))
            ++k;
        if (k == std::size(kKeys)) {
            out.problems << lineProblem(number, QStringLiteral("知らない名前「%1」です").arg(name));
            continue;
        }
        if (keyLine[k] != 0) {
            out.problems << lineProblem(
                number, QStringLiteral("%1 が二度あります（%2行目）").arg(name).arg(keyLine[k]));
            continue;
        }
        keyLine[k] = number;
        const QString problem = valueProblem(name, value);
        if (!problem.isEmpty()) {
            out.problems << lineProblem(number, problem);
            continue;
        }
        values.*(kKeys[k].field) = value;
    }
    if (out.problems.isEmpty())
        out.values = values;
    return out;
}

RouteSign defaults(const DataIo::RouteState& route) {
    RouteSign s;
    s.number = DataIo::RouteFileName(route.RouteNumber).chopped(4);
    if (route.RowCount >= 1 && route.RowCount <= DataIo::FareTableRowCount)
        s.destination = route.FareTable[route.RowCount].StopName;
    return s;
}

RouteSign merged(const RouteSign& base, const RouteSign& fromFile) {
    RouteSign s = base;
    for (const Key& k : kKeys) {
        if (!(fromFile.*(k.field)).isEmpty())
            s.*(k.field) = fromFile.*(k.field);
    }
    return s;
}

QString signFilePath(const QString& fareFolder, const QString& routeNumber) {
    return DataIo::RouteFilePath(fareFolder, routeNumber).chopped(4) + QStringLiteral(".sign");
}

Loaded load(const QString& fareFolder, const DataIo::RouteState& route) {
    Loaded out;
    out.sign = defaults(route);
    const QString path = signFilePath(fareFolder, route.RouteNumber);
    const regularfile::Result read = regularfile::read(path, kMaxFileBytes);
    QStringList problems;
    switch (read.status) {
    case regularfile::Status::Missing:
        return out;
    case regularfile::Status::Read: {
        const Parsed parsed = parse(read.bytes);
        if (parsed.ok()) {
            out.sign = merged(out.sign, parsed.values);
            return out;
        }
        problems = parsed.problems;
        break;
    }
    case regularfile::Status::TooLarge:
        problems << QStringLiteral("%1 バイトより長いファイルです").arg(kMaxFileBytes);
        break;
    case regularfile::Status::NotRegular:
        problems << QStringLiteral("普通のファイルではありません");
        break;
    case regularfile::Status::Failed:
        problems << regularfile::describe(read.error);
        break;
    }
    out.message =
        QStringLiteral(
            "行先表示のファイルに誤りがあるため、行先表示器には系統番号と終点を表示します。\r\n%1\r\n%2")
            .arg(path, problems.join(QStringLiteral("\r\n")));
    return out;
}

} // namespace signfile

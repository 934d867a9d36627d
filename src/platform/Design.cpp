#include "platform/Design.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <climits>

const DesignNode* DesignNode::child(const QString& childName, int childIndex) const {
    for (const DesignNode& c : children) {
        if (c.name == childName && c.index == childIndex)
            return &c;
    }
    return nullptr;
}

QList<const DesignNode*> DesignNode::childrenNamed(const QString& childName) const {
    QList<const DesignNode*> out;
    for (const DesignNode& c : children) {
        if (c.name == childName)
            out.append(&c);
    }
    return out;
}

namespace {

bool parseValue(const QString& raw, QVariant& out) {
    const QString s = raw.trimmed();
    if (s.startsWith(QLatin1Char('"'))) {
        if (s.size() < 2 || !s.endsWith(QLatin1Char('"')))
            return false;
        QString inner = s.mid(1, s.size() - 2);
        // An inner quote must be doubled.
        QString value;
        for (qsizetype i = 0; i < inner.size(); ++i) {
            if (inner[i] == QLatin1Char('"')) {
                if (i + 1 < inner.size() && inner[i + 1] == QLatin1Char('"')) {
                    value += QLatin1Char('"');
                    ++i;
                    continue;
                }
                return false;
            }
            value += inner[i];
        }
        out = value;
        return true;
    }
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    bool ok = false;
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        QString hex = s.mid(2);
        if (hex.endsWith(QLatin1Char('&')))
            hex.chop(1);
        const qint64 v = hex.toLongLong(&ok, 16);
        if (ok)
            out = static_cast<qint64>(static_cast<qint32>(static_cast<quint32>(v)));
        return ok;
    }
    const qint64 whole = s.toLongLong(&ok);
    if (ok) {
        if (whole >= INT_MIN && whole <= INT_MAX)
            out = static_cast<int>(whole);
        else
            out = whole;
        return true;
    }
    const double d = s.toDouble(&ok);
    if (ok)
        out = d;
    return ok;
}

QString formatValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QString: {
        QString s = v.toString();
        s.replace(QLatin1String("\""), QLatin1String("\"\""));
        return QLatin1Char('"') + s + QLatin1Char('"');
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

void writeNode(const DesignNode& node, int depth, QString& out) {
    const QString pad(depth * 3, QLatin1Char(' '));
    out += pad + QStringLiteral("Begin %1 %2\n").arg(node.kind, node.name);
    for (const auto& entry : node.properties.entries())
        out += pad + QStringLiteral("   %1 = %2\n").arg(entry.first, formatValue(entry.second));
    for (const DesignNode& c : node.children)
        writeNode(c, depth + 1, out);
    out += pad + QStringLiteral("End\n");
}

} // namespace

DesignParseResult parseDesign(const QString& text) {
    DesignParseResult result;
    QList<DesignNode> stack;
    bool haveRoot = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    static const QRegularExpression beginRe(QStringLiteral("^Begin\\s+(\\S+)\\s+(\\S+)$"));
    static const QRegularExpression propRe(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\s*=\\s*(.*)$"));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        const auto fail = [&](const QString& why) {
            result.error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return result;
        };
        if (line.isEmpty() || line.startsWith(QLatin1Char('\'')))
            continue;
        if (const auto m = beginRe.match(line); m.hasMatch()) {
            if (haveRoot && stack.isEmpty())
                return fail(QStringLiteral("a second top-level block"));
            DesignNode node;
            node.kind = m.captured(1);
            node.name = m.captured(2);
            stack.append(node);
            continue;
        }
        if (line == QLatin1String("End")) {
            if (stack.isEmpty())
                return fail(QStringLiteral("End without Begin"));
            DesignNode node = stack.takeLast();
            if (node.properties.contains(QStringLiteral("Index")))
                node.index = props::int32(node.properties, QStringLiteral("Index"), -1);
            if (stack.isEmpty()) {
                result.root = node;
                haveRoot = true;
            } else {
                stack.last().children.append(node);
            }
            continue;
        }
        if (const auto m = propRe.match(line); m.hasMatch()) {
            if (stack.isEmpty())
                return fail(QStringLiteral("a property outside any block"));
            QVariant value;
            if (!parseValue(m.captured(2), value))
                return fail(QStringLiteral("cannot read the value of %1").arg(m.captured(1)));
            stack.last().properties.set(m.captured(1), value);
            continue;
        }
        return fail(QStringLiteral("cannot read \"%1\"").arg(line));
    }
    if (!stack.isEmpty()) {
        result.error = QStringLiteral("line %1: missing End").arg(lines.size());
        return result;
    }
    if (!haveRoot) {
        result.error = QStringLiteral("no design");
        return result;
    }
    result.ok = true;
    return result;
}

QString writeDesign(const DesignNode& root) {
    QString out;
    writeNode(root, 0, out);
    return out;
}

DesignParseResult loadDesign(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        DesignParseResult r;
        r.error = QStringLiteral("cannot open %1").arg(path);
        return r;
    }
    return parseDesign(QString::fromUtf8(file.readAll()));
}

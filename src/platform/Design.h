#pragma once

#include "platform/PropertyBag.h"

#include <QList>
#include <QString>

// A window's stored design: which controls it holds, where, with which stored
// properties. The text form is one block per control:
//
//   Begin <Kind> <Name>
//      <Property> = <value>
//   End
//
// Values are whole or decimal numbers, True/False, or texts in double quotes
// (a quote inside a text is doubled). Lines starting with ' are comments.
struct DesignNode {
    QString kind;
    QString name;
    int index = -1; // the element of a control array, from the Index property
    PropertyBag properties;
    QList<DesignNode> children;

    const DesignNode* child(const QString& name, int index = -1) const;
    QList<const DesignNode*> childrenNamed(const QString& name) const;
};

struct DesignParseResult {
    bool ok = false;
    DesignNode root;
    QString error; // "line N: reason"
};

DesignParseResult parseDesign(const QString& text);
QString writeDesign(const DesignNode& root);

// Loads a design from a file or Qt resource path.
DesignParseResult loadDesign(const QString& path);

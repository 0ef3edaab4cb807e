#pragma once
#include <QString>

// A menu caption without its "&" marks, every other character kept in order.
QString StripAmpersands(const QString &text);

// Caption of a dialog opened from a menu item: "parent - item", or the item
// alone, each trimmed, without "&" marks.
QString MenuPath(const QString &parent, const QString &item);
QString MenuPath(const QString &item);

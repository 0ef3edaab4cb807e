#include "ui/menutext.h"

QString StripAmpersands(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char('&'));
    return out;
}

QString MenuPath(const QString &parent, const QString &item)
{
    return StripAmpersands(parent.trimmed() + QStringLiteral(" - ") + item.trimmed());
}

QString MenuPath(const QString &item)
{
    return StripAmpersands(item.trimmed());
}

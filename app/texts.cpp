#include "app/texts.h"

#include <QFile>
#include <QHash>

namespace {

// Table format: UTF-8, one text per line as "<id><TAB><text>"; the text runs to the
// end of the line, blanks kept. Empty lines and lines starting with "#" are ignored.
QHash<int, QString> loadTexts()
{
    QHash<int, QString> texts;
    QFile file(QStringLiteral(":/resources/texts.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    const QString all = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(all).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok)
            texts.insert(id, line.mid(tab + 1).toString());
    }
    return texts;
}

} // namespace

QString Testo(int id)
{
    static const QHash<int, QString> texts = loadTexts();
    return texts.value(id);
}

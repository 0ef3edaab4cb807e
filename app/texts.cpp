#include "app/texts.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <algorithm>

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

const QHash<int, QString> &allTexts()
{
    static const QHash<int, QString> texts = loadTexts();
    return texts;
}

}   // namespace

QString Testo(int id)
{
    return allTexts().value(id);
}

namespace {

// Texts with placeholders, as patterns, most specific first.
struct Template {
    QRegularExpression pattern;
    int baseId;
    qsizetype literal;   // characters outside the placeholders
};

struct ReverseTable {
    QHash<QString, int> exact;
    QList<Template> templates;
};

ReverseTable buildReverse()
{
    ReverseTable table;
    const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    const QHash<int, QString> &texts = allTexts();
    QList<int> ids = texts.keys();
    std::sort(ids.begin(), ids.end(), [](int a, int b) { return a % 1000 != b % 1000 ? a % 1000 < b % 1000 : a < b; });
    for (int id : ids) {
        const QString text = texts.value(id).trimmed();
        // "-" and blanks stand for nothing shown.
        if (text.isEmpty() || text == QLatin1String("-"))
            continue;
        const int base = id % 1000;
        if (!text.contains(placeholder)) {
            if (!table.exact.contains(text))
                table.exact.insert(text, base);
            continue;
        }
        QString pattern;
        qsizetype literal = 0;
        const QStringList pieces = text.split(placeholder);
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (i > 0)
                pattern += QStringLiteral("(.*)");
            pattern += QRegularExpression::escape(pieces[i]);
            literal += pieces[i].size();
        }
        // A text that is little more than its placeholders would claim any line.
        if (literal >= 4)
            table.templates.append({QRegularExpression(QRegularExpression::anchoredPattern(pattern)), base, literal});
    }
    std::stable_sort(table.templates.begin(), table.templates.end(),
                     [](const Template &a, const Template &b) { return a.literal > b.literal; });
    return table;
}

}   // namespace

int TestoBaseId(const QString &text, QStringList *args)
{
    static const ReverseTable table = buildReverse();
    if (args)
        args->clear();
    const QString key = text.trimmed();
    if (key.isEmpty())
        return 0;
    if (const auto it = table.exact.constFind(key); it != table.exact.constEnd())
        return it.value();
    for (const Template &t : table.templates) {
        const QRegularExpressionMatch m = t.pattern.match(key);
        if (!m.hasMatch())
            continue;
        if (args) {
            for (int i = 1; i <= m.lastCapturedIndex(); ++i)
                *args << m.captured(i);
        }
        return t.baseId;
    }
    return 0;
}

#pragma once
#include <QString>
#include <QStringList>

// Text stored under exactly this id (language offset already added), untrimmed;
// "" when there is none.
QString Testo(int id);

// Text of a base id in language `lingua` (1..4).
inline QString TestoL(int baseId, int lingua)
{
    return Testo(baseId + 1000 * (lingua - 1));
}

// The base id of a text of the table, in any language, compared without the
// blanks around it; the lowest when several ids share it. A text with
// placeholders matches with anything in their place, which goes into *args.
// 0 when the text is none of the table's.
int TestoBaseId(const QString &text, QStringList *args = nullptr);

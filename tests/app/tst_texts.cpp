#include <QSet>
#include <QtTest>

#include "app/texts.h"

namespace {
// The access key a caption marks with "&", lower case; null when there is none.
QChar accessKey(const QString &caption)
{
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toLower() : QChar();
}
}

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    // Every id filled; a translation keeps the Italian's placeholders, blanks,
    // trailing " : " and access keys; fixed-width names fit their column.
    void everyLanguage_hasAllIdsShapedLikeTheItalian_data()
    {
        QTest::addColumn<int>("lingua");
        const char *names[] = {"italian", "french", "polish", "english"};
        for (int l = 1; l <= 4; ++l)
            QTest::newRow(names[l - 1]) << l;
    }
    void everyLanguage_hasAllIdsShapedLikeTheItalian()
    {
        QFETCH(int, lingua);
        int present = 0, placeholders = 0, colons = 0;
        for (int b = 101; b <= 368; ++b) {
            const QString it = Testo(b), tr = TestoL(b, lingua);
            const QByteArray where = QByteArray::number(b) + " \"" + tr.toUtf8() + '"';
            QVERIFY2(!tr.isEmpty(), where.constData());
            ++present;
            placeholders += tr == QLatin1String("-");
            QVERIFY2((tr == QLatin1String("-")) == (it == QLatin1String("-")), where.constData());
            colons += it.endsWith(QLatin1String(" : "));
            QVERIFY2(!it.endsWith(QLatin1String(" : ")) || tr.endsWith(QLatin1String(" : ")), where.constData());
            QVERIFY2(it.endsWith(QLatin1Char(' ')) == tr.endsWith(QLatin1Char(' ')), where.constData());
            QVERIFY2(it.startsWith(QLatin1Char(' ')) == tr.startsWith(QLatin1Char(' ')), where.constData());
            QCOMPARE(tr.count(QLatin1Char('&')), it.count(QLatin1Char('&')));
            QVERIFY2(!it.contains(QLatin1Char('&')) || accessKey(tr).isLetter(), where.constData());
            if (QList<int>{221, 223, 365, 366, 367, 368}.contains(b))
                QVERIFY2(tr.size() <= 8, where.constData());
        }
        QCOMPARE(present, 268);
        QCOMPARE(placeholders, 268 - 174);   // 174 carry words, the about box's 307 included
        QVERIFY(colons > 30);
    }

    void accessKeys_areDistinctWithinEachMenu()
    {
        const QList<QList<int>> menus = {
            {102, 103, 104, 105, 106}, {107, 108, 110}, {114, 115, 117}, {118, 119, 121}, {112, 113}};
        for (int lingua = 1; lingua <= 4; ++lingua)
            for (const QList<int> &menu : menus) {
                QSet<QChar> keys;
                for (int b : menu)
                    keys.insert(accessKey(TestoL(b, lingua)));
                QVERIFY2(keys.size() == menu.size(), qPrintable(TestoL(menu.first(), lingua)));
            }
    }

    void texts_areStoredExactly_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("english link failure") << 3308 << u"Communication disconnected: check the connection with the ECU!"_qs;
        QTest::newRow("title it") << 101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title pl") << 2101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title en, shorter") << 3101 << u"VARSENO"_qs;
        QTest::newRow("quit pl, key inside") << 2110 << u"Ko&niec"_qs;
        QTest::newRow("error pl") << 2171 << u"!BŁAD!"_qs;
        QTest::newRow("restart fr") << 1185 << u"On a changé de langue: le programme sera terminé et il faudra le redémarrer"_qs;
        QTest::newRow("french in fr") << 1187 << u"Français"_qs;
        QTest::newRow("link pl") << 2308 << u"Komunikacja : !sprawdź połączenie z centralą!"_qs;
        QTest::newRow("trailing blank") << 175 << u"Seriale : "_qs;
        QTest::newRow("framed by blanks") << 255 << u" ARRICCHIMENTO "_qs;
        QTest::newRow("degree sign") << 265 << u"Temperatura comm. macchina fredda (°C) : "_qs;
        QTest::newRow("no trailing blank") << 320 << u"Salvataggio archivi in"_qs;
        QTest::newRow("unit placeholder") << 281 << u"-"_qs;
        QTest::newRow("last id") << 368 << u"USC. CO"_qs;
    }
    void texts_areStoredExactly()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(Testo(id), text);
    }

    void idsOutsideTheTable_giveEmptyText()
    {
        QList<int> outside{-1, 0, 100, 1100, 1369, 2369, 3369, 4101, 32767};
        for (int id = 369; id <= 1000; ++id)
            outside << id;
        for (int id : outside)
            QVERIFY2(Testo(id).isEmpty(), qPrintable(QString::number(id)));
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"

#include <QtTest>

#include "app/textids.h"
#include "app/texts.h"

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
        int placeholders = 0, colons = 0;
        for (int b = 101; b <= TextId::LastUsed; ++b) {
            const QString it = Testo(b), tr = TestoL(b, lingua);
            const QByteArray where = QByteArray::number(b) + " \"" + tr.toUtf8() + '"';
            QVERIFY2(!tr.isEmpty(), where.constData());
            placeholders += tr == QLatin1String("-");
            QVERIFY2((tr == QLatin1String("-")) == (it == QLatin1String("-")), where.constData());
            colons += it.endsWith(QLatin1String(" : "));
            QVERIFY2(!it.endsWith(QLatin1String(" : ")) || tr.endsWith(QLatin1String(" : ")), where.constData());
            QVERIFY2(it.endsWith(QLatin1Char(' ')) == tr.endsWith(QLatin1Char(' ')), where.constData());
            QVERIFY2(it.startsWith(QLatin1Char(' ')) == tr.startsWith(QLatin1Char(' ')), where.constData());
            QCOMPARE(tr.count(QLatin1Char('&')), it.count(QLatin1Char('&')));
            QCOMPARE(tr.count(QLatin1String("%1")) + tr.count(QLatin1String("%2")),
                     it.count(QLatin1String("%1")) + it.count(QLatin1String("%2")));
            const qsizetype key = tr.indexOf(QLatin1Char('&')) + 1;   // the access key follows "&"
            QVERIFY2(key == 0 || (key < tr.size() && tr.at(key).isLetter()), where.constData());
            if (QList<int>{221, 223, 365, 366, 367, 368}.contains(b))
                QVERIFY2(tr.size() <= 8, where.constData());
        }
        QCOMPARE(placeholders, 94);   // the rest carry words, the about box's 307 included
        QVERIFY(colons > 30);
        for (int b = TextId::LastUsed + 1; b <= 1100; ++b)   // up to the next language's first id: nothing
            QVERIFY2(TestoL(b, lingua).isEmpty(), qPrintable(QString::number(b + 1000 * (lingua - 1))));
        QVERIFY(Testo(100).isEmpty() && Testo(0).isEmpty());
    }

    // Alt + letter must reach one item: access keys differ within each menu, in every language.
    void accessKeys_areUniqueWithinEachMenu()
    {
        const QList<QList<int>> menus{{102, 103, 104, 105, 106},   // menu bar
                                      {107, 108, 369, 110},        // File
                                      {114, 115, 117, 394},        // recordings
                                      {118, 119, 121},             // maps
                                      {111, 393},                  // utilities
                                      {112, 113}};                 // settings
        for (int lingua = 1; lingua <= 4; ++lingua) {
            for (const QList<int> &menu : menus) {
                QSet<QChar> keys;
                for (int id : menu) {
                    const QString text = TestoL(id, lingua);
                    const qsizetype amp = text.indexOf(QLatin1Char('&'));
                    QVERIFY2(amp >= 0, qPrintable(text));
                    QVERIFY2(!keys.contains(text.at(amp + 1).toLower()), qPrintable(text));
                    keys.insert(text.at(amp + 1).toLower());
                }
            }
        }
    }

    void texts_areStoredExactly_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("english link failure")
            << 3308 << u"Communication disconnected: check the connection with the ECU!"_qs;
        QTest::newRow("title it") << 101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title en, shorter") << 3101 << u"VARSENO"_qs;
        QTest::newRow("quit pl, key inside") << 2110 << u"Ko&niec"_qs;
        QTest::newRow("restart fr")
            << 1185 << u"On a changé de langue: le programme sera terminé et il faudra le redémarrer"_qs;
        QTest::newRow("link pl") << 2308 << u"Komunikacja : !sprawdź połączenie z centralą!"_qs;
        QTest::newRow("framed by blanks") << 255 << u" ARRICCHIMENTO "_qs;
        QTest::newRow("degree sign") << 265 << u"Temperatura comm. macchina fredda (°C) : "_qs;
        QTest::newRow("last id") << 368 << u"USC. CO"_qs;
    }
    void texts_areStoredExactly()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(Testo(id), text);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"

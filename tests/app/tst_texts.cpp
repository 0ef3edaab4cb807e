#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include "app/texts.h"

namespace {

constexpr int kFirstBase = 101;
constexpr int kLastBase = 368;
const char *const kLanguageNames[] = {"italian", "french", "polish", "english"};

// One row per language from `first` (1 Italian) to 4 (English).
void addLanguageRows(int first)
{
    QTest::addColumn<int>("lingua");
    for (int l = first; l <= 4; ++l)
        QTest::newRow(kLanguageNames[l - 1]) << l;
}

// The access key a caption marks with "&", lower case; null when there is none.
QChar accessKey(const QString &caption)
{
    const qsizetype at = caption.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < caption.size() ? caption.at(at + 1).toLower() : QChar();
}

} // namespace

class TestTexts : public QObject {
    Q_OBJECT
private slots:
    void everyLanguage_hasAllBaseIdsFilled_data() { addLanguageRows(1); }
    void everyLanguage_hasAllBaseIdsFilled()
    {
        QFETCH(int, lingua);
        int present = 0;
        for (int b = kFirstBase; b <= kLastBase; ++b) {
            const QString text = TestoL(b, lingua);
            QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("id %1 empty").arg(b + 1000 * (lingua - 1))));
            ++present;
        }
        QCOMPARE(present, 268);
    }

    void placeholders_standExactlyWhereTheItalianHasOne_data() { addLanguageRows(2); }
    void placeholders_standExactlyWhereTheItalianHasOne()
    {
        QFETCH(int, lingua);
        int placeholders = 0;
        for (int b = kFirstBase; b <= kLastBase; ++b) {
            const bool italian = Testo(b) == QLatin1String("-");
            placeholders += italian;
            QVERIFY2((TestoL(b, lingua) == QLatin1String("-")) == italian,
                     qPrintable(QStringLiteral("base id %1: %2").arg(b).arg(TestoL(b, lingua))));
        }
        // 268 ids of which 174 carry words (the about box's 307 included).
        QCOMPARE(placeholders, 268 - 174);
    }

    void texts_areStoredExactly_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::newRow("english link failure") << 3308 << u"Communication disconnected: check the connection with the ECU!"_qs;
        QTest::newRow("title it") << 101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title fr") << 1101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title pl") << 2101 << u"VARSENO PELORIN"_qs;
        QTest::newRow("title en") << 3101 << u"VARSENO"_qs;
        QTest::newRow("quit fr") << 1110 << u"&Fermer"_qs;
        QTest::newRow("quit pl") << 2110 << u"Ko&niec"_qs;
        QTest::newRow("quit en") << 3110 << u"&Quit"_qs;
        QTest::newRow("warning fr") << 1170 << u"ATTENTION!"_qs;
        QTest::newRow("warning pl") << 2170 << u"!UWAGA!"_qs;
        QTest::newRow("warning en") << 3170 << u"WARNING!"_qs;
        QTest::newRow("error fr") << 1171 << u"ERREUR!"_qs;
        QTest::newRow("error pl") << 2171 << u"!BŁAD!"_qs;
        QTest::newRow("error en") << 3171 << u"ERROR!"_qs;
        QTest::newRow("restart fr") << 1185 << u"On a changé de langue: le programme sera terminé et il faudra le redémarrer"_qs;
        QTest::newRow("restart pl") << 2185 << u"Zmiana języka: program zostanie zamknięty, proszę włączć jeszcze raz"_qs;
        QTest::newRow("restart en") << 3185 << u"The language has been changed: the programme will end and it will have to be restarted"_qs;
        QTest::newRow("italian fr") << 1186 << u"Italien"_qs;
        QTest::newRow("italian pl") << 2186 << u"Włochy"_qs;
        QTest::newRow("italian en") << 3186 << u"Italian"_qs;
        QTest::newRow("french fr") << 1187 << u"Français"_qs;
        QTest::newRow("french pl") << 2187 << u"Francja"_qs;
        QTest::newRow("french en") << 3187 << u"French"_qs;
        QTest::newRow("polish fr") << 1188 << u"Polone"_qs;
        QTest::newRow("polish pl") << 2188 << u"Polska"_qs;
        QTest::newRow("polish en") << 3188 << u"Polish"_qs;
        QTest::newRow("english fr") << 1189 << u"Anglais"_qs;
        QTest::newRow("english pl") << 2189 << u"Anglia"_qs;
        QTest::newRow("english en") << 3189 << u"English"_qs;
        QTest::newRow("link fr") << 1308 << u"Communication interrompue: vérifier la connexion avec la centrale!"_qs;
        QTest::newRow("link pl") << 2308 << u"Komunikacja : !sprawdź połączenie z centralą!"_qs;
        QTest::newRow("serial fr") << 1345 << u"Erreur dans la configuration de la porte sérielle"_qs;
        QTest::newRow("serial pl") << 2345 << u"Błąd w seryjnych konfiguracjach"_qs;
        QTest::newRow("serial en") << 3345 << u"Error in the serial door configuration"_qs;
        QTest::newRow("trailing blank") << 175 << u"Seriale : "_qs;
        QTest::newRow("ellipsis and blank") << 203 << u"Attendere: inizializzazione del sistema in corso ... "_qs;
        QTest::newRow("framed by blanks") << 255 << u" ARRICCHIMENTO "_qs;
        QTest::newRow("degree sign") << 265 << u"Temperatura comm. macchina fredda (°C) : "_qs;
        QTest::newRow("blank before bang") << 237 << u"Creazione dischetto d'aggiornamento non eseguita !"_qs;
        QTest::newRow("no trailing blank") << 320 << u"Salvataggio archivi in"_qs;
        QTest::newRow("about it") << 307 << u"Program VARSENO - ZUL PELORIN"_qs;
        QTest::newRow("about en") << 3307 << u"Program VARSENO - ZUL PELORIN"_qs;
        QTest::newRow("separator") << 2116 << u"-"_qs;
        QTest::newRow("unit placeholder") << 281 << u"-"_qs;
        QTest::newRow("state it") << 368 << u"USC. CO"_qs;
    }
    void texts_areStoredExactly()
    {
        QFETCH(int, id);
        QFETCH(QString, text);
        QCOMPARE(Testo(id), text);
    }

    void idsOutsideTheTable_giveEmptyText()
    {
        for (int id = 369; id <= 1000; ++id)
            QVERIFY2(Testo(id).isEmpty(), qPrintable(QString::number(id)));
        for (int id : {-1, 0, 100, 1100, 1369, 2369, 3369, 4101, 4368, 5000, 32767})
            QVERIFY2(Testo(id).isEmpty(), qPrintable(QString::number(id)));
    }

    void surroundingBlanks_andColons_keptInEveryLanguage_data() { addLanguageRows(2); }
    void surroundingBlanks_andColons_keptInEveryLanguage()
    {
        QFETCH(int, lingua);
        int colons = 0;
        for (int b = kFirstBase; b <= kLastBase; ++b) {
            const QString it = Testo(b), tr = TestoL(b, lingua);
            const QByteArray where = QByteArray::number(b) + " \"" + tr.toUtf8() + '"';
            if (it.endsWith(QLatin1String(" : "))) {
                ++colons;
                QVERIFY2(tr.endsWith(QLatin1String(" : ")), where.constData());
            }
            QVERIFY2(it.endsWith(QLatin1Char(' ')) == tr.endsWith(QLatin1Char(' ')), where.constData());
            QVERIFY2(it.startsWith(QLatin1Char(' ')) == tr.startsWith(QLatin1Char(' ')), where.constData());
        }
        QVERIFY(colons > 30);  // the check above must not pass vacuously
    }

    void accessKeys_presentWhereTheItalianHasOne_data() { addLanguageRows(2); }
    void accessKeys_presentWhereTheItalianHasOne()
    {
        QFETCH(int, lingua);
        for (int b = kFirstBase; b <= kLastBase; ++b) {
            const QString it = Testo(b), tr = TestoL(b, lingua);
            const QByteArray where = QByteArray::number(b) + " \"" + tr.toUtf8() + '"';
            QCOMPARE(tr.count(QLatin1Char('&')), it.count(QLatin1Char('&')));
            if (it.contains(QLatin1Char('&')))
                QVERIFY2(accessKey(tr).isLetter(), where.constData());
        }
    }

    void accessKeys_areDistinctWithinEachMenu_data() { addLanguageRows(1); }
    void accessKeys_areDistinctWithinEachMenu()
    {
        QFETCH(int, lingua);
        const QList<QList<int>> menus = {
            {102, 103, 104, 105, 106}, {107, 108, 110}, {114, 115, 117}, {118, 119, 121}, {112, 113}};
        for (const QList<int> &menu : menus) {
            QSet<QChar> keys;
            for (int b : menu) {
                const QChar key = accessKey(TestoL(b, lingua));
                QVERIFY2(!keys.contains(key), qPrintable(TestoL(b, lingua)));
                keys.insert(key);
            }
        }
    }

    void fixedWidthNames_fitEightCharacters_data()
    {
        QTest::addColumn<int>("baseId");
        for (int b : {221, 223, 365, 366, 367, 368})
            QTest::addRow("%d", b) << b;
    }
    void fixedWidthNames_fitEightCharacters()
    {
        QFETCH(int, baseId);
        for (int l = 1; l <= 4; ++l)
            QVERIFY2(TestoL(baseId, l).size() <= 8, qPrintable(TestoL(baseId, l)));
    }

    void rawTable_namesEachIdOnceAndNothingElse()
    {
        QFile file(QStringLiteral(":/resources/texts.tsv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        static const QRegularExpression entry(QStringLiteral("^(\\d+)\\t[^\\t\\r]+$"));
        QSet<int> seen;
        for (const QString &line : lines) {
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const auto m = entry.match(line);
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const int id = m.captured(1).toInt();
            QVERIFY2(!seen.contains(id), qPrintable(line));
            seen.insert(id);
            const int base = id % 1000;
            QVERIFY2(id < 4000 && base >= kFirstBase && base <= kLastBase, qPrintable(line));
        }
        QCOMPARE(seen.size(), 4 * 268);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "tst_texts.moc"

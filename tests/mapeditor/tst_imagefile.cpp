#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>
#include <random>

#include "mapeditor/imagefile.h"

class TestImageFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    static QByteArray readAll(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void writeRaw(const QString &p, const QByteArray &bytes)
    {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void codifica_putsValueTextAtEvenPositions_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("decoded");
        QTest::newRow("largest") << 32767.0 << "032767" << 32767.0;
        QTest::newRow("above largest") << 40000.0 << "032767" << 32767.0;
        QTest::newRow("negative") << -12.0 << "000-12" << -12.0;
        QTest::newRow("minus five") << -5.0 << "0000-5" << -5.0;
        QTest::newRow("zero") << 0.0 << "000000" << 0.0;
        QTest::newRow("small") << 45.0 << "000045" << 45.0;
        QTest::newRow("half up") << 2.5 << "000003" << 3.0;
        QTest::newRow("half down") << -2.5 << "0000-3" << -3.0;
        QTest::newRow("below half") << 2.49 << "000002" << 2.0;
        QTest::newRow("lowest six characters hold") << -99999.0 << "-99999" << -99999.0;
        QTest::newRow("too low keeps its sign") << -123456.0 << "-99999" << -99999.0;
        QTest::newRow("not a number") << qQNaN() << "000000" << 0.0;
    }
    void codifica_putsValueTextAtEvenPositions()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QFETCH(double, decoded);
        const QString coded = CodificaRecord(value);
        QCOMPARE(coded.size(), 12);
        QCOMPARE(DecodificaRecord(coded), text);
        for (int i = 0; i < 12; i += 2)
            QVERIFY2(coded[i].isDigit(), qPrintable(coded));
        QCOMPARE(ValoreCampo(DecodificaRecord(coded)), decoded);
    }

    void codifica_fillerDigitsVaryBetweenCalls()
    {
        QSet<QString> seen;
        for (int n = 0; n < 40; ++n)
            seen.insert(CodificaRecord(7));
        QVERIFY(seen.size() > 1);
    }

    void valoreCampo_readsLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("minus one") << "000-01" << -1.0;
        QTest::newRow("blank padded minus one") << "    -1" << -1.0;
        QTest::newRow("leading zeros") << "000045" << 45.0;
        QTest::newRow("leading blanks") << "  0012" << 12.0;
        QTest::newRow("from the first dash") << "12-5" << -5.0;
        QTest::newRow("trailing letters") << "12ab" << 12.0;
        QTest::newRow("letters only") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("lone dash") << "00000-" << 0.0;
        QTest::newRow("fraction") << "3.75" << 3.75;
        QTest::newRow("plus sign") << "  +7" << 7.0;
    }
    void valoreCampo_readsLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(ValoreCampo(text), value);
    }

    void leggiImmagine_missingFile_givesEmpty()
    {
        QVERIFY(LeggiImmagine(path("absent.PRG")).isEmpty());
    }

    void leggiImmagine_lineOfWrongLength_givesEmpty_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = CodificaRecord(1).toLatin1() + "\r\n";
        QTest::newRow("13 characters") << good + CodificaRecord(2).toLatin1() + "7\r\n" + good;
        QTest::newRow("11 characters") << good + CodificaRecord(2).toLatin1().left(11) + "\r\n";
        QTest::newRow("empty line") << good + "\r\n" + good;
    }
    void leggiImmagine_lineOfWrongLength_givesEmpty()
    {
        QFETCH(QByteArray, bytes);
        writeRaw(path("bad.PRG"), bytes);
        QVERIFY(LeggiImmagine(path("bad.PRG")).isEmpty());
    }

    void leggiImmagine_goodFile_givesSixCharactersPerValue()
    {
        ImageFile file(path("good.PRG"));
        QVERIFY(file.open(true));
        const double values[] = {45, -12, 0, 40000, -1, 1234};
        for (int n = 1; n <= 6; ++n)
            QVERIFY(file.writeValue(n, values[n - 1]));
        file.close();
        QCOMPARE(LeggiImmagine(path("good.PRG")), QByteArray("000045000-120000000327670000-1001234"));
    }

    void imageFile_writtenInAnyOrder_readsBackByNumber()
    {
        std::vector<int> order(3000);
        std::iota(order.begin(), order.end(), 1);
        std::shuffle(order.begin(), order.end(), std::mt19937(12345));
        ImageFile file(path("random.PRG"));
        QVERIFY(file.open(true));
        for (int n : order)
            QVERIFY(file.writeValue(n, 3 * n - 70));
        QCOMPARE(file.recordCount(), 3000);
        for (int n = 1; n <= 3000; n += 7) {
            double v = 0;
            QVERIFY(file.readValue(n, &v));
            QCOMPARE(v, double(3 * n - 70));
        }
        file.close();
        QCOMPARE(QFileInfo(path("random.PRG")).size(), 42000);
        const QByteArray image = LeggiImmagine(path("random.PRG"));
        QCOMPARE(image.size(), 3000 * 6);
        QCOMPARE(image.mid(6 * 9, 6), QByteArray("000-40"));   // record 10
        QCOMPARE(image.right(6), QByteArray("008930"));
    }

    void imageFile_writeBeyondEnd_fillsGapWithZeroRecords()
    {
        ImageFile file(path("gap.PRG"));
        QVERIFY(file.open(true));
        QVERIFY(file.writeValue(2, 5));
        QVERIFY(file.writeValue(7, 9));
        file.close();
        QCOMPARE(QFileInfo(path("gap.PRG")).size(), 7 * 14);
        QCOMPARE(LeggiImmagine(path("gap.PRG")),
                 QByteArray("000000000005000000000000000000000000000009"));
    }

    void imageFile_rewrite_keepsLengthAndLineEnds()
    {
        ImageFile file(path("rewrite.PRG"));
        QVERIFY(file.open(true));
        for (int n = 1; n <= 5; ++n)
            QVERIFY(file.writeValue(n, n * 100));
        const QByteArray before = readAll(path("rewrite.PRG"));
        QVERIFY(file.writeValue(3, -77));
        file.close();
        const QByteArray after = readAll(path("rewrite.PRG"));
        QCOMPARE(after.size(), before.size());
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(after.mid(r * 14 + 12, 2), QByteArray("\r\n"));
            if (r != 2)
                QCOMPARE(after.mid(r * 14, 14), before.mid(r * 14, 14));
        }
        QCOMPARE(DecodificaRecord(QString::fromLatin1(after.mid(2 * 14, 12))), QStringLiteral("000-77"));
    }

    void imageFile_partialTrailingRecord_isReplacedByNextWrite()
    {
        const QByteArray good = CodificaRecord(1).toLatin1() + "\r\n";
        writeRaw(path("torn.PRG"), good + good + "38201");
        ImageFile file(path("torn.PRG"));
        QVERIFY(file.open());
        QCOMPARE(file.recordCount(), 2);
        QVERIFY(!file.readValue(3, nullptr));
        QVERIFY(file.writeValue(3, 8));
        file.close();
        QCOMPARE(LeggiImmagine(path("torn.PRG")), QByteArray("000001000001000008"));
    }

    void imageFile_refusesWhatItCannotDo()
    {
        ImageFile missing(path("none.PRG"));
        QVERIFY(!missing.open());
        QVERIFY(!QFile::exists(path("none.PRG")));
        QVERIFY(!missing.writeValue(1, 1));

        ImageFile file(path("limits.PRG"));
        QVERIFY(file.open(true));
        QVERIFY(!file.writeValue(0, 1));
        QVERIFY(!file.writeValue(-3, 1));
        QVERIFY(!file.writeValue(ImageFile::MaxRecord + 1, 1));
        QVERIFY(!file.writeCoded(1, QStringLiteral("0123")));
        QCOMPARE(file.recordCount(), 0);
        double v = 0;
        QVERIFY(!file.readValue(1, &v));
    }
};

QTEST_GUILESS_MAIN(TestImageFile)
#include "tst_imagefile.moc"

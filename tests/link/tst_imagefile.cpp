#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <numeric>
#include <random>

#include "link/imagefile.h"
#include "support/files.h"

class TestImageFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QByteArray record(double v) { return CodificaRecord(v).toLatin1() + "\r\n"; }

private slots:
    void codifica_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("decoded");
        QTest::newRow("largest") << 32767.0 << "032767" << 32767.0;
        QTest::newRow("above largest") << 40000.0 << "032767" << 32767.0;
        QTest::newRow("negative") << -12.0 << "000-12" << -12.0;
        QTest::newRow("minus five") << -5.0 << "0000-5" << -5.0;
        QTest::newRow("zero") << 0.0 << "000000" << 0.0;
        QTest::newRow("half up") << 2.5 << "000003" << 3.0;
        QTest::newRow("half down") << -2.5 << "0000-3" << -3.0;
        QTest::newRow("too low keeps its sign") << -123456.0 << "-99999" << -99999.0;
        QTest::newRow("not a number") << qQNaN() << "000000" << 0.0;
    }
    void codifica()
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

    void leggiImmagine_data()
    {
        QTest::addColumn<QByteArray>("bytes");   // null: no file
        QTest::addColumn<QByteArray>("image");
        const QByteArray one = record(1);
        QTest::newRow("missing file") << QByteArray() << QByteArray();
        QTest::newRow("13-character line") << one + CodificaRecord(2).toLatin1() + "7\r\n" + one << QByteArray();
        QTest::newRow("empty line") << one + "\r\n" + one << QByteArray();
        QTest::newRow("good") << one + record(-12) + record(40000) << QByteArray("000001000-12032767");
    }
    void leggiImmagine()
    {
        QFETCH(QByteArray, bytes);
        QFile f(path("image.PRG"));
        f.remove();
        QVERIFY(bytes.isNull() || (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()));
        f.close();
        QTEST(LeggiImmagine(f.fileName()), "image");
    }

    void imageFile_writtenInAnyOrder_readsBackByNumberWithZeroFilledGaps()
    {
        std::vector<int> order(2999);
        std::iota(order.begin(), order.end(), 1);
        order[9] = 3000;   // record 10 is never written
        std::shuffle(order.begin(), order.end(), std::mt19937(12345));
        ImageFile file(path("random.PRG"));
        QVERIFY(file.open(true));
        for (int n : order)
            QVERIFY(file.writeValue(n, 3 * n - 70));

        // A rewrite changes its own record only.
        const QByteArray before = ReadFile(path("random.PRG"));
        QVERIFY(file.writeValue(3, -77));
        file.close();
        const QByteArray after = ReadFile(path("random.PRG"));
        QCOMPARE(after.size(), 42000);
        QCOMPARE(after.left(28), before.left(28));
        QCOMPARE(after.mid(42), before.mid(42));
        for (int r = 0; r < 3000; ++r)
            QCOMPARE(after.mid(r * 14 + 12, 2), QByteArray("\r\n"));
        const QByteArray image = LeggiImmagine(path("random.PRG"));
        QCOMPARE(image.left(18), QByteArray("000-67000-64000-77"));
        QCOMPARE(image.mid(6 * 9, 6), QByteArray("000000"));
        QCOMPARE(image.right(6), QByteArray("008930"));
    }

    void imageFile_refusesWhatItCannotDo()
    {
        ImageFile missing(path("none.PRG"));
        QVERIFY(!missing.open());
        QVERIFY(!QFile::exists(path("none.PRG")));

        ImageFile file(path("limits.PRG"));
        QVERIFY(file.open(true));
        QVERIFY(!file.writeValue(0, 1));
        QVERIFY(!file.writeValue(ImageFile::MaxRecord + 1, 1));
        QVERIFY(!file.writeCoded(1, QStringLiteral("0123")));
        QCOMPARE(file.recordCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestImageFile)
#include "tst_imagefile.moc"
#include <QtTest>

#include "archive/maps/srecord.h"
#include "mapimage.h"

namespace {

QStringList valueTexts(int lines)
{
    QStringList v;
    for (int n = 1; n <= lines; ++n)
        v << (QStringLiteral("000000") + QString::number(TestImageValue(n))).right(6);
    return v;
}

// (address, words) of each S1 line; fails the test on any other line.
QList<QPair<int, int>> s1Layout(const QByteArray &file)
{
    QList<QPair<int, int>> layout;
    const QList<QByteArray> lines = file.split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray &l = lines[i];
        if (!l.startsWith("S1") || !l.endsWith('\r') || l.toUpper() != l)
            return {};
        layout.append({l.mid(4, 4).toInt(nullptr, 16), (l.mid(2, 2).toInt(nullptr, 16) - 3) / 2});
    }
    return layout;
}

} // namespace

class TstSRecord : public QObject {
    Q_OBJECT
private slots:
    void wordIsLow16BitsOfTheValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("word");
        QTest::newRow("negative") << "000-12" << 0xFFF4;
        QTest::newRow("above 16 bits") << "070000" << 0x1170;
        QTest::newRow("lowest 16-bit") << "-32768" << 0x8000;
        QTest::newRow("blank-led") << "    45" << 0x002D;
    }
    void wordIsLow16BitsOfTheValue()
    {
        QFETCH(QString, text);
        QTEST(int(ImageWord(text)), "word");
    }

    void checksumIsOnesComplementOfTheByteSum()
    {
        QCOMPARE(SRecordChecksum("130000285F245F2212226A000424290008237C"), QString("2A"));
        QCOMPARE(SRecordChecksum("0300FF"), QString("FD"));   // the sum carries past a byte
    }

    void headerCarriesValueVersionAndDate()
    {
        QStringList values = valueTexts(kProductMinLines);
        values[2826] = "000005";
        const auto file = ProductFormatFile(values, "XXXXXAB12", QDate(2003, 3, 5));
        QVERIFY(file);
        QCOMPARE(file->left(file->indexOf('\n') + 1), QByteArray("S0160000303230354C3031324142050307D33030303030EE\r\n"));
    }

    void rangesComeInFileOrderInRecordsOf42Words()
    {
        const auto file = ProductFormatFile(valueTexts(2900), "123456789", QDate(2024, 1, 1));
        QVERIFY(file);
        QVERIFY(file->endsWith("\r\n") && !file->contains("S9"));
        // Lines, first address: the seven ranges as the map file orders them.
        const QList<QPair<int, int>> ranges{{2003, 2604}, {2605, 2630}, {1, 2002}, {2631, 2786},
                                            {2787, 2818}, {2819, 2827}, {2828, 2900}};
        QList<QPair<int, int>> expected;
        for (const auto &[first, last] : ranges) {
            for (int n = first; n <= last; n += 42)
                expected.append({0x4002 + 2 * (n - 1), qMin(42, last - n + 1)});
        }
        const auto layout = s1Layout(*file);
        QCOMPARE(layout, expected);
        QVERIFY(layout.contains(QPair<int, int>(0x545A, 26)) && file->contains("\nS137545A"));
        QCOMPARE(layout.mid(layout.size() - 2), (QList<QPair<int, int>>{{0x5618, 42}, {0x566C, 31}}));
    }

    void imageTooShortOrMissingFails()
    {
        QVERIFY(!ProductFormatFile(valueTexts(kProductMinLines - 1), "123456789", QDate(2024, 1, 1)));
        QCOMPARE(s1Layout(*ProductFormatFile(valueTexts(kProductMinLines), "123456789", QDate(2024, 1, 1))).last(),
                 (QPair<int, int>(0x5618, 1)));
        QVERIFY(!ConvertImageToProductFormat("/nonexistent/LETTURA.PRG", "123456789", QDate(2024, 1, 1)));
    }

    void markedLinesTakeNoAddress()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("LETTURA.PRG");
        QVERIFY(WriteTestImage(path, 3));
        ImageFile image(path);
        QVERIFY(image.open());
        QVERIFY(image.writeCoded(4, "0*1111111111"));
        QVERIFY(image.writeValue(5, TestImageValue(4)));
        image.close();
        QCOMPARE(*ExtractImageValues(path), valueTexts(4));
    }

    void srecCatReadsTheImageBack()
    {
        if (!HaveSrecCat())
            QSKIP("srec_cat is not installed");
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("LETTURA.PRG"), 2900));
        const auto map = ConvertImageToProductFormat(dir.filePath("LETTURA.PRG"), "ABCDEFGHI", QDate(2024, 12, 31));
        QVERIFY(map);
        QFile out(dir.filePath("C_GPL02.R42"));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(*map) == map->size());
        out.close();
        QCOMPARE(ReadBackWithSrecCat(out.fileName()), ExpectedMapBytes(2900));
    }
};

QTEST_MAIN(TstSRecord)
#include "tst_srecord.moc"

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

QByteArray productFile(int lines)
{
    return ProductFormatFile(valueTexts(lines), "123456789", QDate(2024, 1, 1)).value();
}

// (address, words) of each S1 line; empty when any line after the header is not an upper-case S1 record.
QList<QPair<int, int>> s1Layout(const QByteArray &file)
{
    QList<QPair<int, int>> layout;
    const QList<QByteArray> lines = file.split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (!lines[i].startsWith("S1") || !lines[i].endsWith('\r') || lines[i].toUpper() != lines[i])
            return {};
        layout.append({lines[i].mid(4, 4).toInt(nullptr, 16), (lines[i].mid(2, 2).toInt(nullptr, 16) - 3) / 2});
    }
    return layout;
}

}   // namespace

class TstSRecord : public QObject {
    Q_OBJECT
private slots:
    void wordsHeaderAndChecksum()
    {
        // A word is the value's low 16 bits.
        QCOMPARE(ImageWord("000-12"), quint16(0xFFF4));
        QCOMPARE(ImageWord("070000"), quint16(0x1170));
        QCOMPARE(ImageWord("    45"), quint16(0x002D));
        QCOMPARE(SRecordChecksum("130000285F245F2212226A000424290008237C"), QString("2A"));
        QStringList values = valueTexts(kProductMinLines);
        values[2826] = "000005";
        const auto file = ProductFormatFile(values, "XXXXXAB12", QDate(2003, 3, 5));
        QCOMPARE(file->left(file->indexOf('\n') + 1),
                 QByteArray("S0160000303230354C3031324142050307D33030303030EE\r\n"));
    }

    void rangesInFileOrderInRecordsOf42Words()
    {
        const QByteArray file = productFile(2900);
        QVERIFY(file.endsWith("\r\n") && !file.contains("S9"));
        const QList<QPair<int, int>> ranges{{2003, 2604}, {2605, 2630}, {1, 2002},   {2631, 2786},
                                            {2787, 2818}, {2819, 2827}, {2828, 2900}};
        QList<QPair<int, int>> expected;
        for (const auto &[first, last] : ranges) {
            for (int n = first; n <= last; n += 42)
                expected.append({0x4002 + 2 * (n - 1), qMin(42, last - n + 1)});
        }
        const auto layout = s1Layout(file);
        QCOMPARE(layout, expected);
        QVERIFY(file.contains("\nS137545A"));   // the 26 words of 2605..2630 in one record
        QCOMPARE(layout.mid(layout.size() - 2), (QList<QPair<int, int>>{{0x5618, 42}, {0x566C, 31}}));
        QCOMPARE(s1Layout(productFile(kProductMinLines)).last(), (QPair<int, int>(0x5618, 1)));
        QVERIFY(!ProductFormatFile(valueTexts(kProductMinLines - 1), "123456789", QDate(2024, 1, 1)));
    }

    void markedLinesTakeNoAddress()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("LETTURA.PRG");
        QVERIFY(WriteTestImage(path, 3));
        ImageFile image(path);
        QVERIFY(image.open() && image.writeCoded(4, "0*1111111111") && image.writeValue(5, TestImageValue(4)));
        image.close();
        QCOMPARE(ExtractImageValues(path).value(), valueTexts(4));
        QVERIFY(!ExtractImageValues(dir.filePath("MISSING.PRG")));
    }

    void srecCatReadsTheImageBack()
    {
        if (!HaveSrecCat())
            QSKIP("srec_cat is not installed");
        QTemporaryDir dir;
        QVERIFY(WriteTestImage(dir.filePath("LETTURA.PRG"), 2900));
        QFile out(dir.filePath("C_GPL02.R42"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(ConvertImageToProductFormat(dir.filePath("LETTURA.PRG"), "ABCDEFGHI", QDate(2024, 12, 31)).value());
        out.close();
        QCOMPARE(ReadBackWithSrecCat(out.fileName()), ExpectedMapBytes(2900));
    }
};

QTEST_MAIN(TstSRecord)
#include "tst_srecord.moc"

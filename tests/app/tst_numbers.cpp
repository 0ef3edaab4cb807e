#include <QtTest>

#include <cmath>
#include <limits>

#include "app/numbers.h"

namespace {

// An absent result is an invalid QVariant, so a table cell can say "refused".
template <typename T>
QVariant cell(const std::optional<T> &v)
{
    return v ? QVariant::fromValue(*v) : QVariant();
}

const QVariant No;
const double NaN = std::numeric_limits<double>::quiet_NaN();

}   // namespace

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    // Each text through every parsing rule: the rows are the texts on which the rules part ways.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("leading");    // LeadingNumber
        QTest::addColumn<double>("sixChar");    // SixCharValue
        QTest::addColumn<QVariant>("plain");    // PlainDecimal
        QTest::addColumn<QVariant>("digits");   // FixedField, digits only
        QTest::addColumn<QVariant>("padded");   // FixedField, blank-padded and signed
        const QVariant big = qint64(99999999999);
        const QVariant max = std::numeric_limits<qint64>::max();

        QTest::newRow("leading zeros") << QByteArray("000123") << 123.0 << 123.0 << QVariant(123.0)
                                       << QVariant(qint64(123)) << QVariant(qint64(123));
        QTest::newRow("sign in the middle") << QByteArray("000-12") << 0.0 << -12.0 << No << No << No;
        QTest::newRow("padded minus one")
            << QByteArray("    -1") << -1.0 << -1.0 << QVariant(-1.0) << No << QVariant(qint64(-1));
        QTest::newRow("plus") << QByteArray("+7") << 7.0 << 7.0 << QVariant(7.0) << No << QVariant(qint64(7));
        QTest::newRow("blank after sign") << QByteArray("- 5") << 0.0 << -5.0 << No << No << No;
        QTest::newRow("trailing blank") << QByteArray("12 ") << 12.0 << 12.0 << QVariant(12.0) << No
                                        << QVariant(qint64(12));
        QTest::newRow("exponent 9e9") << QByteArray("9e9") << 9e9 << 9.0 << No << No << No;
        QTest::newRow("exponent 1e8") << QByteArray("1e8") << 1e8 << 1.0 << No << No << No;
        QTest::newRow("exponent past double") << QByteArray("1e400") << 0.0 << 1.0 << No << No << No;
        QTest::newRow("bare e") << QByteArray("1e") << 1.0 << 1.0 << No << No << No;
        QTest::newRow("letters after") << QByteArray("12ab") << 12.0 << 12.0 << No << No << No;
        QTest::newRow("decimal") << QByteArray("3.75") << 3.75 << 3.75 << QVariant(3.75) << No << No;
        QTest::newRow("point first") << QByteArray(".5") << 0.5 << 0.5 << QVariant(0.5) << No << No;
        QTest::newRow("two points") << QByteArray("1.2.3") << 1.2 << 1.2 << No << No << No;
        QTest::newRow("sign alone") << QByteArray("00000-") << 0.0 << 0.0 << No << No << No;
        QTest::newRow("empty") << QByteArray("") << 0.0 << 0.0 << No << No << No;
        QTest::newRow("past int") << QByteArray("99999999999") << 99999999999.0 << 99999999999.0
                                  << QVariant(99999999999.0) << big << big;
        QTest::newRow("qint64 max") << QByteArray("9223372036854775807") << 9223372036854775807.0
                                    << 9223372036854775807.0 << QVariant(9223372036854775807.0) << max << max;
        QTest::newRow("past qint64") << QByteArray("9223372036854775808") << 9223372036854775808.0
                                     << 9223372036854775808.0 << QVariant(9223372036854775808.0) << No << No;
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        const QString s = QString::fromLatin1(text);
        QTEST(LeadingNumber(text), "leading");
        QTEST(SixCharValue(s), "sixChar");
        QTEST(cell(PlainDecimal(s)), "plain");
        QTEST(cell(FixedField(text)), "digits");
        QTEST(cell(FixedField(text, BlankPadded | Signed)), "padded");
    }

    // Each value through every rounding rule; the halves and the noise next to them tell the rules apart.
    void round_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<double>("halfEven");
        QTest::addColumn<double>("halfEvenDecimal");
        QTest::addColumn<double>("halfAway");
        QTest::addColumn<QVariant>("int16");   // WholeInt16HalfEven

        auto i16 = [](int v) { return QVariant::fromValue(qint16(v)); };
        QTest::newRow("2.5") << 2.5 << 2.0 << 2.0 << 3.0 << i16(2);
        QTest::newRow("3.5") << 3.5 << 4.0 << 4.0 << 4.0 << i16(4);
        QTest::newRow("-2.5") << -2.5 << -2.0 << -2.0 << -3.0 << i16(-2);
        QTest::newRow("-3.5") << -3.5 << -4.0 << -4.0 << -4.0 << i16(-4);
        QTest::newRow("0.5") << 0.5 << 0.0 << 0.0 << 1.0 << i16(0);
        QTest::newRow("-0.5") << -0.5 << 0.0 << 0.0 << -1.0 << i16(0);
        QTest::newRow("3.5 held low") << 3.4999999999999996 << 3.0 << 4.0 << 3.0 << i16(3);
        QTest::newRow("2.5 held high") << 2.5000000000000004 << 3.0 << 2.0 << 3.0 << i16(3);
        QTest::newRow("top half") << 32767.5 << 32768.0 << 32768.0 << 32768.0 << No;
        QTest::newRow("top") << 32767.4 << 32767.0 << 32767.0 << 32767.0 << i16(32767);
        QTest::newRow("bottom half") << -32768.5 << -32768.0 << -32768.0 << -32769.0 << i16(-32768);
        QTest::newRow("far") << 1e300 << 1e300 << 1e300 << 1e300 << No;
        QTest::newRow("NaN") << NaN << NaN << NaN << NaN << No;
    }
    void round()
    {
        QFETCH(double, v);
        QTEST(RoundHalfEven(v), "halfEven");
        QTEST(RoundHalfEvenDecimal(v), "halfEvenDecimal");
        QTEST(RoundHalfAwayFromZero(v), "halfAway");
        QTEST(cell(WholeInt16HalfEven(v)), "int16");
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"

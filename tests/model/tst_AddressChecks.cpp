#include "AddressChecks.h"
#include "NumericText.h"
#include "ShiftJis.h"

#include <QtTest>

using namespace mg;

class TestAddressChecks : public QObject {
    Q_OBJECT
private slots:
    void keyFilters_data();
    void keyFilters();
    void dottedQuad_data();
    void dottedQuad();
    void singleByte_data();
    void singleByte();
    void networkAddress_data();
    void networkAddress();
    void stripHyphens();
    void formatError();
    void numericValue_data();
    void numericValue();
    void shiftJisRoundTrip();
};

enum Filter { Address, Phone, Digit };

void TestAddressChecks::keyFilters_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("accepted");

    const QString full15 = QStringLiteral("255.255.255.255");
    const QString phone31(31, QLatin1Char('1'));
    QTest::newRow("address digit") << int(Address) << "192" << int('1') << true;
    QTest::newRow("address dot") << int(Address) << "192" << int('.') << true;
    QTest::newRow("address letter") << int(Address) << "" << int('a') << false;
    QTest::newRow("address space") << int(Address) << "" << int(' ') << false;
    QTest::newRow("address hyphen") << int(Address) << "" << int('-') << false;
    QTest::newRow("address full") << int(Address) << full15 << int('1') << false;
    QTest::newRow("address 14 chars") << int(Address) << full15.left(14) << int('5') << true;
    QTest::newRow("address backspace full") << int(Address) << full15 << 8 << true;
    QTest::newRow("address control code") << int(Address) << "" << 13 << false;
    QTest::newRow("address full-width digit") << int(Address) << "" << 0xFF11 << false;
    QTest::newRow("phone hyphen") << int(Phone) << "03" << int('-') << true;
    QTest::newRow("phone dot") << int(Phone) << "03" << int('.') << false;
    QTest::newRow("phone 30 chars") << int(Phone) << phone31.left(30) << int('1') << true;
    QTest::newRow("phone full") << int(Phone) << phone31 << int('1') << false;
    QTest::newRow("phone backspace full") << int(Phone) << phone31 << 8 << true;
    QTest::newRow("digit digit") << int(Digit) << "" << int('7') << true;
    QTest::newRow("digit long text") << int(Digit) << QString(200, QLatin1Char('9')) << int('7') << true;
    QTest::newRow("digit dot") << int(Digit) << "" << int('.') << false;
    QTest::newRow("digit minus") << int(Digit) << "" << int('-') << false;
    QTest::newRow("digit backspace") << int(Digit) << "1" << 8 << true;
}

void TestAddressChecks::keyFilters()
{
    QFETCH(int, filter);
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(bool, accepted);
    bool result = false;
    switch (filter) {
    case Address: result = FilterAddressKey(text, key); break;
    case Phone: result = FilterPhoneKey(text, key); break;
    default: result = FilterDigitKey(text, key); break;
    }
    QCOMPARE(result, accepted);
}

void TestAddressChecks::dottedQuad_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "192.168.0.1" << true;
    QTest::newRow("zeros") << "0.0.0.0" << true;
    QTest::newRow("all ones") << "255.255.255.255" << true;
    QTest::newRow("leading zero") << "010.1.1.1" << true;
    QTest::newRow("long zero part") << "0000000001.1.1.1" << true;
    QTest::newRow("two dots") << "192.168.0" << false;
    QTest::newRow("four dots") << "192.168.0.1.5" << false;
    QTest::newRow("empty part") << "192.168..1" << false;
    QTest::newRow("empty first") << ".168.0.1" << false;
    QTest::newRow("empty last") << "192.168.0.1." << false;
    QTest::newRow("first above 255") << "256.1.1.1" << false;
    QTest::newRow("last above 255") << "192.168.0.256" << false;
    QTest::newRow("huge part") << "99999999999999999999999.1.1.1" << false;
    QTest::newRow("full-width digit") << QStringLiteral("192.168.0.１") << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("sign") << "+1.2.3.4" << false;
    QTest::newRow("space") << "1.2.3.4 " << false;
    QTest::newRow("half-width katakana") << QStringLiteral("1.2.3.ｱ") << false;
}

void TestAddressChecks::dottedQuad()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsDottedQuad(text), valid);
}

void TestAddressChecks::singleByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("single");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("ascii") << "user_01!" << true;
    QTest::newRow("half-width katakana") << QStringLiteral("ｱｲｳｴｵﾞ") << true;
    QTest::newRow("full-width digit") << QStringLiteral("１") << false;
    QTest::newRow("full-width letter") << QStringLiteral("ａ") << false;
    QTest::newRow("kana") << QStringLiteral("あ") << false;
    QTest::newRow("kanji") << QStringLiteral("接続") << false;
    QTest::newRow("mixed") << QStringLiteral("abcあ") << false;
    QTest::newRow("circled digit (cp932 extension)") << QStringLiteral("①") << false;
    // Not representable in Shift_JIS at all: never single-byte.
    QTest::newRow("euro sign") << QStringLiteral("€") << false;
    QTest::newRow("accented latin") << QStringLiteral("é") << false;
    QTest::newRow("emoji") << QStringLiteral("😀") << false;
    QTest::newRow("hangul") << QStringLiteral("한") << false;
}

void TestAddressChecks::singleByte()
{
    QFETCH(QString, text);
    QFETCH(bool, single);
    QCOMPARE(IsSingleByteText(text), single);
}

void TestAddressChecks::networkAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("network");
    QTest::newRow("class c") << "192.168.10.33" << "255.255.255.0" << "192.168.10.0";
    QTest::newRow("class a") << "10.1.2.3" << "255.0.0.0" << "10.0.0.0";
    QTest::newRow("/22") << "172.16.5.4" << "255.255.252.0" << "172.16.4.0";
    QTest::newRow("leading zeros dropped") << "010.001.002.003" << "255.255.255.255" << "10.1.2.3";
    QTest::newRow("zero mask") << "192.168.1.1" << "0.0.0.0" << "0.0.0.0";
}

void TestAddressChecks::networkAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, mask);
    QFETCH(QString, network);
    QCOMPARE(NetworkAddress(address, mask), network);
}

void TestAddressChecks::stripHyphens()
{
    QCOMPARE(StripHyphens(QStringLiteral("03-1234-5678")), QStringLiteral("0312345678"));
    QCOMPARE(StripHyphens(QStringLiteral("---")), QString());
    QCOMPARE(StripHyphens(QStringLiteral("0312")), QStringLiteral("0312"));
}

void TestAddressChecks::formatError()
{
    const FormatErrorMessage m = ReportFormatError(QStringLiteral("シスログ・サーバのIPアドレス"));
    QCOMPARE(m.text, QStringLiteral("シスログ・サーバのIPアドレスの形式が正しくありません。"));
    QCOMPARE(m.title, QStringLiteral("シスログ・サーバのIPアドレス"));
}

void TestAddressChecks::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "41" << 41;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("leading number") << "12abc" << 12;
    QTest::newRow("leading blanks") << "  7" << 7;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("decimal part dropped") << "3.9" << 3;
    QTest::newRow("int16 max") << "32767" << 32767;
    QTest::newRow("int16 min") << "-32768" << -32768;
    // Out of range saturates: never wraps into a small, valid-looking value.
    QTest::newRow("65537 does not wrap to 1") << "65537" << 32767;
    QTest::newRow("70000") << "70000" << 32767;
    QTest::newRow("huge") << "999999999999999999999999999" << 32767;
    QTest::newRow("huge negative") << "-999999999999999999999999" << -32768;
    QTest::newRow("full-width digits are not digits") << QStringLiteral("１２") << 0;
}

void TestAddressChecks::numericValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(mg::numericValue(text)), value);
}

void TestAddressChecks::shiftJisRoundTrip()
{
    const QString text = QStringLiteral("接続先１ ｱｲｳ abc ① ～");
    const std::optional<QByteArray> bytes = ShiftJis::encode(text);
    QVERIFY(bytes.has_value());
    QCOMPARE(ShiftJis::decode(*bytes), text);
    // "接" is 0x90DA in Shift_JIS.
    QCOMPARE(ShiftJis::encode(QStringLiteral("接"))->toHex(), QByteArray("90da"));
    QVERIFY(!ShiftJis::encode(QStringLiteral("€")).has_value());
}

QTEST_GUILESS_MAIN(TestAddressChecks)
#include "tst_AddressChecks.moc"

#include "AddressChecks.h"
#include "NumericText.h"
#include "ShiftJis.h"

#include <QtTest>

using namespace mg;

class TestAddressChecks : public QObject {
    Q_OBJECT
private slots:
    // A, P, D: the address, phone and digit key filters (the text before the key, the key);
    // Q: IsDottedQuad; S: IsSingleByteText; V: numericValue; N: NetworkAddress;
    // H: StripHyphens; F: ReportFormatError's text|title; J: Shift_JIS there and back;
    // I: readDottedQuad, the address connected to.
    void checks_data()
    {
        QTest::addColumn<char>("op");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, char op, const QString &a, const QString &b, const QString &expected) {
            QTest::newRow(name) << op << a << b << expected;
        };
        const QString quad = QStringLiteral("255.255.255.255"), yes = QStringLiteral("yes"), no = QStringLiteral("no");
        row("address digit", 'A', "192", "1", yes);
        row("address letter", 'A', "", "a", no);
        row("address hyphen", 'A', "", "-", no);
        row("address 15th char", 'A', quad.left(14), "5", yes);
        row("address full", 'A', quad, "1", no);
        row("address backspace when full", 'A', quad, "\b", yes);
        row("phone hyphen", 'P', "03", "-", yes);
        row("phone full", 'P', QString(31, QLatin1Char('1')), "1", no);
        row("digit without length limit", 'D', QString(200, QLatin1Char('9')), "7", yes);
        row("digit minus", 'D', "", "-", no);
        row("quad plain", 'Q', "192.168.0.1", {}, yes);
        row("quad long zero-padded part", 'Q', "0000000001.1.1.1", {}, yes);
        row("quad three parts", 'Q', "192.168.0", {}, no);
        row("quad empty part", 'Q', "192.168..1", {}, no);
        row("quad last above 255", 'Q', "192.168.0.256", {}, no);
        row("quad part beyond 64 bits", 'Q', "99999999999999999999999.1.1.1", {}, no);
        row("quad full-width digit", 'Q', QStringLiteral("192.168.0.１"), {}, no);
        row("quad trailing blank", 'Q', "1.2.3.4 ", {}, no);
        // What a connection is made to: decimal whatever the zeros, nothing
        // a resolver's shorthand would read as some other machine.
        row("address read as decimal", 'I', "192.168.044.002", {}, "192.168.44.2");
        row("address 010 is ten, not eight", 'I', "127.0.0.010", {}, "127.0.0.10");
        row("address zero-padded parts", 'I', "127.000.000.002", {}, "127.0.0.2");
        row("address broadcast", 'I', quad, {}, quad);
        row("address shorthand", 'I', "127.1", {}, "<none>");
        row("address one number", 'I', "2130706434", {}, "<none>");
        row("address hexadecimal part", 'I', "0x7f.0.0.1", {}, "<none>");
        row("address five parts", 'I', "1.2.3.4.5", {}, "<none>");
        row("address part above 255", 'I', "256.0.0.1", {}, "<none>");
        row("address trailing dot", 'I', "1.2.3.4.", {}, "<none>");
        row("address signed part", 'I', "1.2.+3.4", {}, "<none>");
        row("address leading blank", 'I', " 1.2.3.4", {}, "<none>");
        row("address empty", 'I', "", {}, "<none>");
        row("single-byte ascii", 'S', "user_01!", {}, yes);
        row("single-byte half-width katakana", 'S', QStringLiteral("ｱｲｳｴｵﾞ"), {}, yes);
        row("single-byte kana after ascii", 'S', QStringLiteral("abcあ"), {}, no);
        row("single-byte cp932 circled digit", 'S', QStringLiteral("①"), {}, no);
        // Shift_JIS cannot hold these at all: a conversion would turn them into "?".
        row("single-byte euro sign", 'S', QStringLiteral("€"), {}, no);
        row("single-byte emoji", 'S', QStringLiteral("😀"), {}, no);
        row("number leading", 'V', "  12abc", {}, "12");
        row("number negative, decimals dropped", 'V', "-5.9", {}, "-5");
        // Out of range saturates: never wraps into a small, valid-looking value.
        row("number 65537 does not wrap to 1", 'V', "65537", {}, "32767");
        row("number huge", 'V', "999999999999999999999999999", {}, "32767");
        row("number huge negative", 'V', "-999999999999999999999999", {}, "-32768");
        row("number in full-width digits", 'V', QStringLiteral("１２"), {}, "0");
        row("network", 'N', "172.16.5.4", "255.255.252.0", "172.16.4.0");
        row("network drops leading zeros", 'N', "010.001.002.003", "255.255.255.255", "10.1.2.3");
        row("hyphens stripped", 'H', "03-1234-5678", {}, "0312345678");
        const QString field = QStringLiteral("シスログ・サーバのIPアドレス");
        row("format error text|title", 'F', field, {}, field + QStringLiteral("の形式が正しくありません。|") + field);
        row("cp932 round trip", 'J', QStringLiteral("接続先１ ｱｲｳ abc ① ～"), {}, QStringLiteral("接続先１ ｱｲｳ abc ① ～"));
        row("no bytes for the euro sign", 'J', QStringLiteral("€"), {}, "<none>");
        row("no best fit for the yen sign", 'J', QStringLiteral("a¥"), {}, "<none>");
        // Windows maps these control bytes to their own code points.
        row("control codes as Windows writes them", 'X', QStringLiteral("\x1a\x1c\x7f~"), {}, "1a1c7f7e");
    }

    void checks()
    {
        QFETCH(char, op);
        QFETCH(QString, a);
        QFETCH(QString, b);
        const int key = b.isEmpty() ? 0 : b.at(0).unicode();
        const bool passes = op == 'A' ? FilterAddressKey(a, key) : op == 'P' ? FilterPhoneKey(a, key)
                            : op == 'D' ? FilterDigitKey(a, key) : op == 'Q' ? IsDottedQuad(a) : IsSingleByteText(a);
        const FormatErrorMessage m = ReportFormatError(a);
        const std::optional<QByteArray> bytes = ShiftJis::encode(a);
        // The box's check and the address connected to never disagree.
        const std::optional<quint32> read = readDottedQuad(a);
        if (op == 'Q' || op == 'I')
            QCOMPARE(read.has_value(), IsDottedQuad(a));
        const QString result = QStringLiteral("APDQS").contains(QLatin1Char(op)) ? QString(passes ? "yes" : "no")
                               : op == 'V' ? QString::number(mg::numericValue(a))
                               : op == 'N' ? NetworkAddress(a, b)
                               : op == 'H' ? StripHyphens(a)
                               : op == 'F' ? m.text + QLatin1Char('|') + m.title
                               : op == 'X' ? QString::fromLatin1(bytes.value_or("<none>").toHex())
                               : op == 'I' ? (read ? QStringLiteral("%1.%2.%3.%4")
                                                         .arg(*read >> 24).arg((*read >> 16) & 0xff)
                                                         .arg((*read >> 8) & 0xff).arg(*read & 0xff)
                                                   : QStringLiteral("<none>"))
                               : bytes     ? ShiftJis::decode(*bytes)
                                           : QStringLiteral("<none>");
        QTEST(result, "expected");
    }
};

QTEST_GUILESS_MAIN(TestAddressChecks)
#include "tst_AddressChecks.moc"

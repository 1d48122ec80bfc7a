// Boxes that are switched on and off stay readable in every colour scheme:
// the background follows the scheme (a text box's own when on, the
// window's when off) and the text on it keeps enough contrast, in a dark
// scheme as in the light ones.

#include "FieldStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#include <cmath>
#include <memory>

using namespace mg;

namespace {

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// 1 (none) to 21 (black on white); 4.5 is enough for text of any size.
double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette darkScheme()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x2a, 0x2e, 0x32));
    p.setColor(QPalette::WindowText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Base, QColor(0x1b, 0x1e, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x23, 0x26, 0x29));
    p.setColor(QPalette::Text, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Button, QColor(0x31, 0x36, 0x3b));
    p.setColor(QPalette::ButtonText, QColor(0xfc, 0xfc, 0xfc));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x71, 0x73));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x71, 0x73));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x71, 0x73));
    return p;
}

QPalette schemeNamed(const QString &name)
{
    if (name == QLatin1String("dark"))
        return darkScheme();
    const std::unique_ptr<QStyle> style(QStyleFactory::create(name == QLatin1String("classic") ? "Windows" : "Fusion"));
    return style->standardPalette();
}

} // namespace

class TestFieldStyle : public QObject {
    Q_OBJECT

private slots:
    void readableInEveryScheme_data();
    void readableInEveryScheme();
    void cleanup() { QApplication::setPalette(QPalette()); }
};

void TestFieldStyle::readableInEveryScheme_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QString>("control");
    for (const char *scheme : {"light", "classic", "dark"})
        for (const char *control : {"line edit", "combo box", "editable combo box", "text box"})
            QTest::addRow("%s, %s", scheme, control) << QString::fromLatin1(scheme) << QString::fromLatin1(control);
}

void TestFieldStyle::readableInEveryScheme()
{
    QFETCH(QString, scheme);
    QFETCH(QString, control);

    const QPalette colours = schemeNamed(scheme);
    QApplication::setPalette(colours);
    QWidget window;
    QWidget *box = nullptr;
    if (control == QLatin1String("line edit")) {
        box = new QLineEdit(QStringLiteral("0312345678"), &window);
    } else if (control == QLatin1String("text box")) {
        box = new QPlainTextEdit(QStringLiteral("0312345678"), &window);
    } else {
        auto *combo = new QComboBox(&window);
        combo->setEditable(control.startsWith(QLatin1String("editable")));
        combo->addItem(QStringLiteral("64K"));
        box = combo;
    }

    // Off, on and off again: each state takes the scheme's colour, not
    // what the one before left on the box.
    for (bool enabled : {false, true, false, true}) {
        setFieldEnabled(box, enabled);
        QCOMPARE(box->isEnabled(), enabled);
        const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
        const QColor background = box->palette().color(group, QPalette::Base);
        QCOMPARE(background, colours.color(QPalette::Active, enabled ? QPalette::Base : QPalette::Window));
        QCOMPARE(box->palette().color(group, QPalette::Button), background);
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText}) {
            const QColor text = box->palette().color(group, role);
            QVERIFY2(contrast(text, background) >= 4.5,
                     qPrintable(QStringLiteral("%1 on %2").arg(text.name(), background.name())));
        }
        if (scheme == QLatin1String("light")) {
            // The light scheme looks as it always has: white, and the
            // value dimmed to #505050 when off.
            if (enabled)
                QCOMPARE(background, QColor(Qt::white));
            else
                QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::Text), QColor(0x50, 0x50, 0x50));
        }
    }
}

QTEST_MAIN(TestFieldStyle)
#include "tst_FieldStyle.moc"

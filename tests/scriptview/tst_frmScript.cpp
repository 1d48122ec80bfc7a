#include "frmScript.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace mg;

namespace {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
    MessageButtons buttons;
};

// Answers from a queue (Ok when it runs dry) and records every message.
class ScriptedPrompt : public MessagePrompt {
public:
    QList<MessageAnswer> answers;
    QList<ShownMessage> shown;
    MessageAnswer show(const QString &text, const QString &title, MessageIcon icon,
                       MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        return answers.isEmpty() ? MessageAnswer::Ok : answers.takeFirst();
    }
};

const QString Script = QStringLiteral("enable ip\r\nset ip int=eth0 ip=192.168.1.1 mask=255.255.255.0\r\n"
                                      "set user=ユーザ名 password=pass\r\n");

} // namespace

class TestFrmScript : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheScriptReadOnly_data();
    void opensWithTheScriptReadOnly();
    void isCentredOnTheScreen();
    void handEditCycle();
    void escapeDoesNotDropAnUnfinishedEdit();
    void acceptSaysSendingIsNotAvailableYet();
};

void TestFrmScript::opensWithTheScriptReadOnly_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("acceptEnabled");
    QTest::newRow("generated") << Script << true;
    QTest::newRow("no final line end, blank lines, nbsp") << QStringLiteral("a\r\n\r\n\r\nb\u00a0c") << true;
    QTest::newRow("empty") << QString() << false;
}

void TestFrmScript::opensWithTheScriptReadOnly()
{
    QFETCH(QString, script);
    QFETCH(bool, acceptEnabled);
    Configuration config;
    config.CommandScript = script;
    ScriptedPrompt prompt;
    frmScript w(config, prompt);

    QVERIFY(w.txtScript->isReadOnly());
    QCOMPARE(w.txtScript->textCursor().position(), 0);
    // Read back, the shown text is the script byte for byte, CR LF included.
    QCOMPARE(frmScript::scriptText(*w.txtScript), script);
    QCOMPARE(w.cmdAccept->isEnabled(), acceptEnabled);
    QVERIFY(!w.cmdPrint->isEnabled());
    QVERIFY(w.cmdReconf->isEnabled());
    QVERIFY(QFontInfo(w.txtScript->font()).fixedPitch());
}

void TestFrmScript::isCentredOnTheScreen()
{
    Configuration config;
    ScriptedPrompt prompt;
    frmScript w(config, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(w.x() - (screen.width() - w.width()) / 2) <= 1);
    QVERIFY(qAbs(w.y() - (screen.height() - w.height()) / 2) <= 1);
}

void TestFrmScript::handEditCycle()
{
    Configuration config;
    config.CommandScript = Script;
    ScriptedPrompt prompt;
    frmScript w(config, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    // The warning, answered Cancel, changes nothing.
    prompt.answers = {MessageAnswer::Cancel};
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QCOMPARE(prompt.shown.size(), 1);
    QCOMPARE(prompt.shown[0].text, QStringLiteral("設定を編集する場合、その内容によっては正常に\r\n"
                                                  "設定できない可能性がありますがよろしいですか？"));
    QCOMPARE(prompt.shown[0].title, QStringLiteral("設定の編集"));
    QCOMPARE(prompt.shown[0].icon, MessageIcon::Information);
    QCOMPARE(prompt.shown[0].buttons, MessageButtons::OkCancel);
    QVERIFY(!w.HandEditing);
    QVERIFY(w.txtScript->isReadOnly());
    QVERIFY(w.cmdAccept->isEnabled());

    // Answered OK, the box opens and sending and returning are blocked.
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QVERIFY(w.HandEditing);
    QVERIFY(!w.txtScript->isReadOnly());
    QCOMPARE(w.cmdEdit->text(), QStringLiteral("編集の終了"));
    QVERIFY(!w.cmdAccept->isEnabled());
    QVERIFY(!w.cmdReconf->isEnabled());
    QVERIFY(w.txtScript->hasFocus());

    // An emptied script is refused and editing goes on; the script is kept.
    w.txtScript->selectAll();
    QTest::keyClick(w.txtScript, Qt::Key_Delete);
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QCOMPARE(prompt.shown.size(), 3);
    QCOMPARE(prompt.shown[2].text, QStringLiteral("設定がありません。設定を作成して下さい。"));
    QCOMPARE(prompt.shown[2].title, QStringLiteral("設定の作成"));
    QCOMPARE(prompt.shown[2].icon, MessageIcon::Critical);
    QVERIFY(w.HandEditing);
    QVERIFY(!w.txtScript->isReadOnly());
    QVERIFY(!w.cmdAccept->isEnabled());
    QVERIFY(w.cmdReconf->isEnabled());
    QCOMPARE(config.CommandScript, Script);

    // Typed text, finished, becomes the script with the router's line ends.
    QTest::keyClicks(w.txtScript, QStringLiteral("enable ip"));
    QTest::keyClick(w.txtScript, Qt::Key_Return);
    QTest::keyClicks(w.txtScript, QStringLiteral("save"));
    QVERIFY(!w.cmdAccept->isEnabled());
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QVERIFY(!w.HandEditing);
    QVERIFY(w.txtScript->isReadOnly());
    QCOMPARE(w.cmdEdit->text(), QStringLiteral("設定の編集"));
    QVERIFY(w.cmdAccept->isEnabled());
    QVERIFY(w.cmdReconf->isEnabled());
    QCOMPARE(config.CommandScript, QStringLiteral("enable ip\r\nsave"));
    QCOMPARE(prompt.shown.size(), 3);

    QTest::mouseClick(w.cmdReconf, Qt::LeftButton);
    QVERIFY(!w.isVisible());
    QCOMPARE(config.CommandScript, QStringLiteral("enable ip\r\nsave"));
}

void TestFrmScript::escapeDoesNotDropAnUnfinishedEdit()
{
    Configuration config;
    config.CommandScript = Script;
    ScriptedPrompt prompt;
    frmScript w(config, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QTest::keyClick(w.txtScript, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(w.HandEditing);

    // Outside an edit, Escape is the usual way back to the editor.
    QTest::mouseClick(w.cmdEdit, Qt::LeftButton);
    QTest::keyClick(w.txtScript, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
}

void TestFrmScript::acceptSaysSendingIsNotAvailableYet()
{
    Configuration config;
    config.CommandScript = Script;
    ScriptedPrompt prompt;
    frmScript w(config, prompt);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::mouseClick(w.cmdAccept, Qt::LeftButton);
    QCOMPARE(prompt.shown.size(), 1);
    QCOMPARE(prompt.shown[0].title, QStringLiteral("設定を送信"));
    QCOMPARE(prompt.shown[0].icon, MessageIcon::Information);
    QVERIFY(prompt.shown[0].text.contains(QStringLiteral("まだ")));
    QVERIFY(w.isVisible());
    QCOMPARE(config.CommandScript, Script);
}

QTEST_MAIN(TestFrmScript)
#include "tst_frmScript.moc"

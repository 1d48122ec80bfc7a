#include "frmBOD.h"

#include "DialogButtons.h"
#include "FieldStyle.h"
#include "InputGuard.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

namespace {

const QString Caption = QStringLiteral("バンドワイズオンデマンド(BOD)の詳細設定");

QLineEdit *makeNumberBox(const QString &name, int digits, QWidget *parent)
{
    auto *box = mg::InputGuard::createBox(
        parent, name, [digits](QLineEdit *b, int key) { return mg::filterBodKey(b->text(), key, digits); });
    box->setAlignment(Qt::AlignRight);
    const QString widest(digits + 1, QLatin1Char('0'));
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(widest) + 16);
    mg::setFieldEnabled(box, true);
    return box;
}

} // namespace

frmBOD::frmBOD(mg::Configuration &config, int destination, mg::MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_config(config), m_destination(destination), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmBOD"));
    setWindowTitle(Caption);
    setModal(true);
    buildControls();
    Form_Load();
}

void frmBOD::buildControls()
{
    txtUprate = makeNumberBox(QStringLiteral("txtUprate"), mg::BodRateDigits, this);
    txtUptime = makeNumberBox(QStringLiteral("txtUptime"), mg::BodTimeDigits, this);
    txtDownrate = makeNumberBox(QStringLiteral("txtDownrate"), mg::BodRateDigits, this);
    txtDowntime = makeNumberBox(QStringLiteral("txtDowntime"), mg::BodTimeDigits, this);

    const auto frame = [this](const QString &name, const QString &caption, QLineEdit *rate, const QString &rateLabel,
                              QLineEdit *time) {
        auto *group = new QGroupBox(caption, this);
        group->setObjectName(name);
        auto *row = new QHBoxLayout(group);
        row->addWidget(rate);
        row->addWidget(new QLabel(rateLabel, group));
        row->addSpacing(12);
        row->addWidget(time);
        row->addWidget(new QLabel(QStringLiteral("秒以上経過した時"), group));
        row->addStretch(1);
        return group;
    };
    Frame15 = frame(QStringLiteral("Frame15"), QStringLiteral("追加接続条件"), txtUprate, QStringLiteral("% 以上で"),
                    txtUptime);
    Frame16 = frame(QStringLiteral("Frame16"), QStringLiteral("切断条件"), txtDownrate, QStringLiteral("% 以下で"),
                    txtDowntime);

    // Return in a box is a refused key like any other non-digit; only a
    // click or the button's own key closes the dialog.
    cmdOK = mg::createButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = mg::createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));
    QHBoxLayout *buttons = mg::buttonRow({cmdOK, cmdCancel});

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame15);
    layout->addWidget(Frame16);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtUprate, txtUptime);
    setTabOrder(txtUptime, txtDownrate);
    setTabOrder(txtDownrate, txtDowntime);
    setTabOrder(txtDowntime, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

QLineEdit *frmBOD::box(mg::BodField field) const
{
    switch (field) {
    case mg::BodField::Uprate: return txtUprate;
    case mg::BodField::Uptime: return txtUptime;
    case mg::BodField::Downrate: return txtDownrate;
    case mg::BodField::Downtime: return txtDowntime;
    }
    return txtUprate;
}

void frmBOD::Form_Load()
{
    mg::BodSetting shown;
    if (m_destination >= 1 && m_destination <= mg::MaxDestinations)
        shown = m_config.bod(m_destination);
    else
        qWarning("frmBOD: no destination %d; its thresholds cannot be stored", m_destination);
    for (mg::BodField field : {mg::BodField::Uprate, mg::BodField::Uptime, mg::BodField::Downrate,
                               mg::BodField::Downtime}) {
        const QString text = mg::bodText(shown, field);
        box(field)->setText(text.isEmpty() ? mg::bodDefault(field) : text);
    }
}

void frmBOD::cmdOK_Click()
{
    const mg::BodSetting typed{txtUprate->text(), txtUptime->text(), txtDownrate->text(), txtDowntime->text()};
    if (const auto failure = mg::checkBodSetting(typed)) {
        m_prompt.critical(failure->message, Caption);
        QLineEdit *faulty = box(failure->field);
        faulty->setFocus(Qt::OtherFocusReason);
        faulty->selectAll();
        return;
    }
    if (m_destination < 1 || m_destination > mg::MaxDestinations) {
        // Nowhere to store the values: closing as a cancel says so honestly.
        reject();
        return;
    }
    m_config.bod(m_destination) = typed;
    m_config.markChanged();
    accept();
}

void frmBOD::cmdCancel_Click()
{
    reject();
}

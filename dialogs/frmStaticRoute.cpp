#include "frmStaticRoute.h"

#include "DialogButtons.h"
#include "AddressChecks.h"
#include "FieldStyle.h"
#include "InputGuard.h"
#include "ListColumns.h"
#include "ScriptGenerator.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString Caption = QStringLiteral("LAN側のスタティックルートの設定");

const QString TabRouteLine1 = QStringLiteral("この設定は、接続先タブで設定されているものです。");

// The column widths of the list, in twips, converted at 15 twips a pixel.
constexpr int ColumnTwips[] = {1764, 1764, 1359, 1764};

QLineEdit *makeAddressBox(const QString &name, QWidget *parent)
{
    return mg::InputGuard::createBox(
        parent, name, [](QLineEdit *b, int key) { return mg::FilterAddressKey(b->text(), key); });
}

} // namespace

frmStaticRoute::frmStaticRoute(mg::Configuration &config, mg::MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_config(config), m_prompt(prompt), m_listBefore(config.StaticRouteList),
      m_countBefore(config.RouteCount), m_defaultRouteBefore(config.DefaultRouteTaken), m_routes(config)
{
    setObjectName(QStringLiteral("frmStaticRoute"));
    setWindowTitle(Caption);
    setModal(true);
    buildControls();
    Form_Load();
}

void frmStaticRoute::buildControls()
{
    txtEthernetIP = makeAddressBox(QStringLiteral("txtEthernetIP"), this);
    txtEthernetMask = makeAddressBox(QStringLiteral("txtEthernetMask"), this);
    txtNextHop = makeAddressBox(QStringLiteral("txtNextHop"), this);
    cboIF = new QComboBox(this);
    cboIF->setObjectName(QStringLiteral("cboIF"));

    const int addressWidth = txtEthernetIP->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24;
    for (QLineEdit *box : {txtEthernetIP, txtEthernetMask, txtNextHop})
        box->setMinimumWidth(addressWidth);
    cboIF->setMinimumWidth(addressWidth);

    cmdAdd = mg::createButton(this, QStringLiteral("cmdAdd"), QStringLiteral("追加"));
    cmdEdit = mg::createButton(this, QStringLiteral("cmdEdit"), QStringLiteral("編集"));
    cmdDelete = mg::createButton(this, QStringLiteral("cmdDelete"), QStringLiteral("削除"));
    cmdOK = mg::createButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"));
    cmdCancel = mg::createButton(this, QStringLiteral("cmdCancel"), QStringLiteral("キャンセル"));

    auto *fields = new QGridLayout;
    const auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    fields->addWidget(label(QStringLiteral("IPアドレス："), txtEthernetIP), 0, 0);
    fields->addWidget(txtEthernetIP, 0, 1);
    fields->addWidget(label(QStringLiteral("ネットマスク："), txtEthernetMask), 1, 0);
    fields->addWidget(txtEthernetMask, 1, 1);
    fields->addWidget(label(QStringLiteral("インターフェース："), cboIF), 0, 2);
    fields->addWidget(cboIF, 0, 3);
    fields->addWidget(label(QStringLiteral("ネクストホップ："), txtNextHop), 1, 2);
    fields->addWidget(txtNextHop, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto *editButtons = new QHBoxLayout;
    editButtons->addStretch(1);
    editButtons->addWidget(cmdAdd);
    editButtons->addWidget(cmdEdit);
    editButtons->addWidget(cmdDelete);

    lvwRouteInfo = new QTreeWidget(this);
    lvwRouteInfo->setObjectName(QStringLiteral("lvwRouteInfo"));
    lvwRouteInfo->setColumnCount(4);
    lvwRouteInfo->setHeaderLabels({QStringLiteral("IPｱﾄﾞﾚｽ"), QStringLiteral("ﾈｯﾄﾏｽｸ"),
                                   QStringLiteral("ｲﾝﾀｰﾌｪｰｽ"), QStringLiteral("ﾈｸｽﾄﾎｯﾌﾟ")});
    lvwRouteInfo->setRootIsDecorated(false);
    lvwRouteInfo->setItemsExpandable(false);
    lvwRouteInfo->setUniformRowHeights(true);
    lvwRouteInfo->setAllColumnsShowFocus(true);
    lvwRouteInfo->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwRouteInfo->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwRouteInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwRouteInfo->header()->setSectionsMovable(false);
    lvwRouteInfo->header()->setStretchLastSection(false);
    // The designed widths, or more where the font needs it for a full
    // address ("ppp31" is narrower than any header).
    const QString address = QStringLiteral("255.255.255.255");
    QList<int> designed;
    for (int twips : ColumnTwips)
        designed << twips / 15;
    mg::fitListColumns(lvwRouteInfo, {address, address, QString(), address}, designed);
    lvwRouteInfo->setMinimumHeight(200);

    auto *frame = new QGroupBox(QStringLiteral("経路情報の一覧"), this);
    frame->setObjectName(QStringLiteral("fraRouteInfo"));
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(lvwRouteInfo);

    auto *closeButtons = new QHBoxLayout;
    closeButtons->addStretch(1);
    closeButtons->addWidget(cmdOK);
    closeButtons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(editButtons);
    layout->addWidget(frame, 1);
    layout->addLayout(closeButtons);

    setTabOrder(txtEthernetIP, txtEthernetMask);
    setTabOrder(txtEthernetMask, cboIF);
    setTabOrder(cboIF, txtNextHop);
    setTabOrder(txtNextHop, cmdAdd);
    setTabOrder(cmdAdd, cmdEdit);
    setTabOrder(cmdEdit, cmdDelete);
    setTabOrder(cmdDelete, lvwRouteInfo);
    setTabOrder(lvwRouteInfo, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    for (QWidget *input : {static_cast<QWidget *>(txtEthernetIP), static_cast<QWidget *>(txtEthernetMask),
                           static_cast<QWidget *>(cboIF), static_cast<QWidget *>(txtNextHop),
                           static_cast<QWidget *>(lvwRouteInfo)})
        input->installEventFilter(this);
    lvwRouteInfo->viewport()->installEventFilter(this);
    // Moving through the list with the keyboard is a click as well.
    connect(lvwRouteInfo, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (lvwRouteInfo->hasFocus())
            lvwRouteInfo_Click();
    });

    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { cmdEdit_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmStaticRoute::Form_Load()
{
    cboIF->addItems(mg::RouteListEditor::interfaceNames(m_config.destinationCount()));
    cboIF->setCurrentIndex(0);
    mg::setFieldEnabled(cboIF, true);
    for (QLineEdit *box : {txtEthernetIP, txtEthernetMask, txtNextHop})
        mg::setFieldEnabled(box, true);
    // The tab routes have already been merged in by the route editor.
    if (m_routes.routeListCount() == 0) {
        mg::setFieldEnabled(cmdEdit, false);
        mg::setFieldEnabled(cmdDelete, false);
    }
    fillList();
    Editing = false;
    EditIndex = -1;
}

void frmStaticRoute::fillList()
{
    lvwRouteInfo->clear();
    for (int r = 0; r < m_routes.rowCount(); ++r) {
        const mg::StaticRouteEntry route = m_routes.row(r);
        new QTreeWidgetItem(lvwRouteInfo, {route.IP, route.Mask, route.Int, route.NextHop});
    }
    lvwRouteInfo->clearSelection();
}

int frmStaticRoute::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = lvwRouteInfo->selectedItems();
    if (selected.isEmpty())
        return -1;
    return lvwRouteInfo->indexOfTopLevelItem(selected.first());
}

bool frmStaticRoute::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == lvwRouteInfo)
            lvwRouteInfo_GotFocus();
        else if (watched == txtEthernetIP || watched == txtEthernetMask || watched == cboIF
                 || watched == txtNextHop)
            input_GotFocus();
    } else if (event->type() == QEvent::MouseButtonRelease && watched == lvwRouteInfo->viewport()) {
        // Let the view update its selection first.
        QMetaObject::invokeMethod(this, [this] { lvwRouteInfo_Click(); }, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void frmStaticRoute::lvwRouteInfo_GotFocus()
{
    if (selectedRow() >= 0) {
        mg::setFieldEnabled(cmdDelete, true);
        mg::setFieldEnabled(cmdEdit, true);
    }
    mg::setFieldEnabled(cmdAdd, false);
}

void frmStaticRoute::lvwRouteInfo_Click()
{
    if (lvwRouteInfo->topLevelItemCount() == 0)
        return;
    const bool selected = selectedRow() >= 0;
    mg::setFieldEnabled(cmdDelete, selected);
    mg::setFieldEnabled(cmdEdit, selected);
}

void frmStaticRoute::input_GotFocus()
{
    mg::setFieldEnabled(cmdDelete, false);
    mg::setFieldEnabled(cmdEdit, false);
    mg::setFieldEnabled(cmdAdd, true);
}

void frmStaticRoute::focusInput(QLineEdit *box)
{
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void frmStaticRoute::showInterface(const QString &name)
{
    int index = cboIF->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) {
        // A route that still names the interface of a deleted destination
        // keeps it through an edit instead of silently moving to eth0.
        cboIF->addItem(name);
        m_extraInterface = name;
        index = cboIF->count() - 1;
    }
    cboIF->setCurrentIndex(index);
}

void frmStaticRoute::clearInputs()
{
    txtEthernetIP->clear();
    txtEthernetMask->clear();
    txtNextHop->clear();
    if (!m_extraInterface.isEmpty()) {
        const int index = cboIF->findText(m_extraInterface, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        if (index > 0)
            cboIF->removeItem(index);
        m_extraInterface.clear();
    }
    cboIF->setCurrentIndex(0);
}

bool frmStaticRoute::checkAddress(QLineEdit *box, const QString &fieldName)
{
    if (mg::IsDottedQuad(box->text()))
        return true;
    const mg::FormatErrorMessage message = mg::ReportFormatError(fieldName);
    m_prompt.critical(message.text, message.title);
    focusInput(box);
    return false;
}

void frmStaticRoute::cmdAdd_Click()
{
    if (!checkAddress(txtEthernetIP, QStringLiteral("IPアドレス"))
        || !checkAddress(txtEthernetMask, QStringLiteral("ネットマスク"))
        || !checkAddress(txtNextHop, QStringLiteral("ネクストホップ")))
        return;

    const mg::StaticRouteEntry route{txtEthernetIP->text(), txtEthernetMask->text(), cboIF->currentText(),
                                     txtNextHop->text()};
    const int editRow = Editing ? EditIndex - 1 : -1;
    switch (m_routes.add(route, editRow)) {
    case mg::RouteListEditor::Outcome::Duplicate:
        m_prompt.critical(QStringLiteral("この設定はすでに存在します。"), Caption);
        clearInputs();
        // The boxes are empty now; an edit left open would let the next
        // route typed in overwrite the entry that was being edited.
        Editing = false;
        EditIndex = -1;
        focusInput(txtEthernetIP);
        return;
    case mg::RouteListEditor::Outcome::Full:
        m_prompt.critical(QStringLiteral("スタティックルートは%1個までしか登録できません。").arg(mg::MaxRoutes),
                          Caption);
        focusInput(txtEthernetIP);
        return;
    case mg::RouteListEditor::Outcome::Stored:
        break;
    }
    Editing = false;
    EditIndex = -1;
    fillList();
    clearInputs();
    focusInput(txtEthernetIP);
}

void frmStaticRoute::cmdEdit_Click()
{
    // An edit in progress ends here whatever follows; its values leave the
    // boxes with it, or 追加 would store them as a new route beside the
    // one that was being edited.
    if (Editing)
        clearInputs();
    Editing = false;
    EditIndex = -1;
    const int row = selectedRow();
    if (row < 0)
        return;
    if (!m_routes.canEdit(row)) {
        m_prompt.critical(TabRouteLine1 + QStringLiteral("\r\n")
                              + QStringLiteral("この設定を編集するには、接続先タブの所で編集して下さい。"),
                          QStringLiteral("設定の編集"));
        return;
    }
    Editing = true;
    EditIndex = row + 1;
    const mg::StaticRouteEntry route = m_routes.row(row);
    clearInputs();
    txtEthernetIP->setText(route.IP);
    txtEthernetMask->setText(route.Mask);
    showInterface(route.Int);
    txtNextHop->setText(route.NextHop);
    focusInput(txtEthernetIP);
}

void frmStaticRoute::cmdDelete_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    if (!m_routes.remove(row)) {
        m_prompt.critical(TabRouteLine1 + QStringLiteral("\r\n")
                              + QStringLiteral("この設定を削除する為には、接続先タブの経路制御のところで削除して下さい。"),
                          QStringLiteral("経路情報の削除"));
        return;
    }
    fillList();
    Editing = false;
    EditIndex = -1;
    clearInputs();
    focusInput(txtEthernetIP);
    mg::setFieldEnabled(cmdDelete, false);
}

void frmStaticRoute::cmdOK_Click()
{
    m_config.RouteCommands = mg::buildRouteCommands(m_config);
    m_config.markChanged();
    accept();
}

void frmStaticRoute::cmdCancel_Click()
{
    reject();
}

bool frmStaticRoute::listChanged() const
{
    return m_config.RouteCount != m_countBefore || m_config.StaticRouteList != m_listBefore
        || m_config.DefaultRouteTaken != m_defaultRouteBefore;
}

void frmStaticRoute::reject()
{
    // Whatever was added or deleted stays in the list; the kept route lines
    // may no longer match it, so the next script rebuilds them.
    m_config.RouteCommands.clear();
    QDialog::reject();
}

#include "frmStaticNAT.h"

#include "DialogButtons.h"
#include "AddressChecks.h"
#include "EnatRules.h"
#include "FieldStyle.h"
#include "InputGuard.h"
#include "ListColumns.h"
#include "ScriptGenerator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace mg {

namespace {

const QString Caption = QStringLiteral("アドレス・ポート変換の詳細設定");

bool addressKey(QLineEdit *box, int keyCode) { return FilterAddressKey(box->text(), keyCode); }
bool digitKey(QLineEdit *box, int keyCode) { return FilterDigitKey(box->text(), keyCode); }

// A box that is switched off holds nothing, so that no stale value of another
// type can be stored with the entry.
void setBoxEnabled(QLineEdit *box, bool enabled)
{
    if (!enabled)
        box->clear();
    setFieldEnabled(box, enabled);
}

} // namespace

frmStaticNAT::frmStaticNAT(Configuration &config, MessagePrompt &prompt, QWidget *parent)
    : QDialog(parent), m_config(config), m_prompt(prompt)
{
    setObjectName(QStringLiteral("frmStaticNAT"));
    setWindowTitle(Caption);
    buildControls();

    {
        const QSignalBlocker blockType(cboNATType);
        cboNATType->setCurrentIndex(StaticNat);
    }
    cboNATType_Click();
    cboProtocol->setCurrentIndex(0);
    fillInterfaceList();
    setFieldEnabled(cboGBLInter, false);

    if (askLanEnatEntries(m_config, m_prompt, Caption))
        m_listChanged = true;

    refreshList();
    updateRowButtons();
}

void frmStaticNAT::buildControls()
{
    auto *typeLabel = new QLabel(QStringLiteral("NATのタイプ："), this);
    cboNATType = new QComboBox(this);
    cboNATType->setObjectName(QStringLiteral("cboNATType"));
    for (int type = 0; type < EnatTypeCount; ++type)
        cboNATType->addItem(enatTypeText(type));
    typeLabel->setBuddy(cboNATType);

    auto *privateFrame = new QGroupBox(QStringLiteral("プライベートアドレス"), this);
    txtIP = InputGuard::createBox(privateFrame, QStringLiteral("txtIP"), addressKey);
    txtNetMask = InputGuard::createBox(privateFrame, QStringLiteral("txtNetMask"), addressKey);
    txtPort = InputGuard::createBox(privateFrame, QStringLiteral("txtPort"), digitKey);
    cboProtocol = new QComboBox(privateFrame);
    cboProtocol->setObjectName(QStringLiteral("cboProtocol"));
    cboProtocol->addItems({QStringLiteral("TCP"), QStringLiteral("UDP")});
    auto *privateGrid = new QGridLayout(privateFrame);
    privateGrid->addWidget(new QLabel(QStringLiteral("IPアドレス："), privateFrame), 0, 0);
    privateGrid->addWidget(txtIP, 0, 1);
    privateGrid->addWidget(new QLabel(QStringLiteral("ネットマスク："), privateFrame), 1, 0);
    privateGrid->addWidget(txtNetMask, 1, 1);
    privateGrid->addWidget(new QLabel(QStringLiteral("ポート："), privateFrame), 2, 0);
    privateGrid->addWidget(txtPort, 2, 1);
    privateGrid->addWidget(new QLabel(QStringLiteral("プロトコル："), privateFrame), 3, 0);
    privateGrid->addWidget(cboProtocol, 3, 1);
    privateGrid->setRowStretch(4, 1);

    auto *globalFrame = new QGroupBox(QStringLiteral("グローバルアドレス"), this);
    txtGBLIP = InputGuard::createBox(globalFrame, QStringLiteral("txtGBLIP"), addressKey);
    txtGBLMask = InputGuard::createBox(globalFrame, QStringLiteral("txtGBLMask"), addressKey);
    txtGBLPORT = InputGuard::createBox(globalFrame, QStringLiteral("txtGBLPORT"), digitKey);
    chkGblInt = new QCheckBox(QStringLiteral("インターフェースを指定"), globalFrame);
    chkGblInt->setObjectName(QStringLiteral("chkGblInt"));
    cboGBLInter = new QComboBox(globalFrame);
    cboGBLInter->setObjectName(QStringLiteral("cboGBLInter"));
    auto *globalGrid = new QGridLayout(globalFrame);
    globalGrid->addWidget(new QLabel(QStringLiteral("IPアドレス："), globalFrame), 0, 0);
    globalGrid->addWidget(txtGBLIP, 0, 1);
    globalGrid->addWidget(new QLabel(QStringLiteral("ネットマスク："), globalFrame), 1, 0);
    globalGrid->addWidget(txtGBLMask, 1, 1);
    globalGrid->addWidget(new QLabel(QStringLiteral("ポート："), globalFrame), 2, 0);
    globalGrid->addWidget(txtGBLPORT, 2, 1);
    globalGrid->addWidget(chkGblInt, 3, 0);
    globalGrid->addWidget(cboGBLInter, 3, 1);
    globalGrid->setRowStretch(4, 1);

    for (QLineEdit *box : {txtIP, txtNetMask, txtGBLIP, txtGBLMask})
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);

    // Enter in an address box must not close the dialog or store an entry.
    auto makeButton = [this](const QString &text, const char *name) {
        return mg::createButton(this, QLatin1String(name), text);
    };
    cmdAdd = makeButton(QStringLiteral("追加"), "cmdAdd");
    cmdEdit = makeButton(QStringLiteral("編集"), "cmdEdit");
    cmdDelete = makeButton(QStringLiteral("削除"), "cmdDelete");
    cmdOK = makeButton(QStringLiteral("OK"), "cmdOK");
    cmdCancel = makeButton(QStringLiteral("キャンセル"), "cmdCancel");

    lvwNATList = new QTreeWidget(this);
    lvwNATList->setObjectName(QStringLiteral("lvwNATList"));
    lvwNATList->setRootIsDecorated(false);
    lvwNATList->setUniformRowHeights(true);
    lvwNATList->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwNATList->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwNATList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwNATList->setAllColumnsShowFocus(true);
    lvwNATList->setHeaderLabels({QStringLiteral("ﾌﾟﾗｲﾍﾞｰﾄIPｱﾄﾞﾚｽ"), QStringLiteral("ﾈｯﾄﾏｽｸ"),
                                 QStringLiteral("ﾎﾟｰﾄ"), QStringLiteral("ｸﾞﾛｰﾊﾞﾙIPｱﾄﾞﾚｽ"),
                                 QStringLiteral("ﾈｯﾄﾏｽｸ"), QStringLiteral("ﾎﾟｰﾄ"),
                                 QStringLiteral("ﾀｲﾌﾟ")});
    lvwNATList->header()->setStretchLastSection(false);
    lvwNATList->header()->setSectionsMovable(false);
    {
        // Wide enough for a full address, port or the header, whichever is longer.
        const QString address = QStringLiteral("255.255.255.255"), port = QStringLiteral("65535");
        fitListColumns(lvwNATList, {address, address, port, address, address, port, QString()});
    }
    lvwNATList->setMinimumHeight(160);

    auto *typeRow = new QHBoxLayout;
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(cboNATType);
    typeRow->addStretch(1);

    auto *frames = new QHBoxLayout;
    frames->addWidget(privateFrame, 1);
    frames->addWidget(globalFrame, 1);

    auto *listButtons = new QVBoxLayout;
    listButtons->addWidget(cmdAdd);
    listButtons->addWidget(cmdEdit);
    listButtons->addWidget(cmdDelete);
    listButtons->addStretch(1);

    auto *listRow = new QHBoxLayout;
    listRow->addWidget(lvwNATList, 1);
    listRow->addLayout(listButtons);

    auto *closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(cmdOK);
    closeRow->addWidget(cmdCancel);

    auto *top = new QVBoxLayout(this);
    top->addLayout(typeRow);
    top->addLayout(frames);
    top->addLayout(listRow, 1);
    top->addLayout(closeRow);


    connect(cboNATType, &QComboBox::currentIndexChanged, this, [this] { cboNATType_Click(); });
    connect(chkGblInt, &QCheckBox::toggled, this, [this] { chkGblInt_Click(); });
    // A click on the row that is already selected counts too: after 編集 the
    // operator may want that same row deleted.
    connect(lvwNATList, &QTreeWidget::itemSelectionChanged, this, [this] { lvwNATList_ItemClick(); });
    connect(lvwNATList, &QTreeWidget::itemClicked, this, [this] { lvwNATList_ItemClick(); });
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdEdit, &QPushButton::clicked, this, [this] { cmdEdit_Click(); });
    connect(cmdDelete, &QPushButton::clicked, this, [this] { cmdDelete_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    for (QWidget *input : std::initializer_list<QWidget *>{txtIP, txtNetMask, txtPort, txtGBLIP,
                                                          txtGBLMask, txtGBLPORT})
        input->installEventFilter(this);

    // The list and its buttons come after the input area, as they are laid out.
    QWidget *order[] = {cboNATType, txtIP, txtNetMask, txtPort, cboProtocol, txtGBLIP, txtGBLMask,
                        txtGBLPORT, chkGblInt, cboGBLInter, lvwNATList, cmdAdd, cmdEdit, cmdDelete,
                        cmdOK, cmdCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool frmStaticNAT::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn)
        InputBox_GotFocus();
    return QDialog::eventFilter(watched, event);
}

void frmStaticNAT::fillInterfaceList()
{
    cboGBLInter->clear();
    cboGBLInter->addItems(globalInterfaceNames(m_config));
    cboGBLInter->setCurrentIndex(0);
}

void frmStaticNAT::refreshList()
{
    const QSignalBlocker block(lvwNATList);
    lvwNATList->clear();
    const int used = std::clamp<int>(m_config.EnatCount, 0, MaxEnatEntries);
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < used; ++i) {
        const EnatEntry &e = m_config.EnatList[i];
        rows << new QTreeWidgetItem(QStringList{
            e.PrivateIP, e.PrivateMask, e.PrivatePort,
            e.GlobalIP.isEmpty() ? e.GlobalInterFace : e.GlobalIP, e.GlobalMask, e.GlobalPort,
            enatTypeCode(e.NATType)});
    }
    lvwNATList->addTopLevelItems(rows);
}

void frmStaticNAT::updateRowButtons()
{
    const bool rows = lvwNATList->topLevelItemCount() > 0;
    setFieldEnabled(cmdEdit, rows);
    setFieldEnabled(cmdDelete, rows);
}

int frmStaticNAT::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = lvwNATList->selectedItems();
    if (selected.isEmpty())
        return -1;
    const int row = lvwNATList->indexOfTopLevelItem(selected.constFirst());
    return row < m_config.EnatCount ? row : -1;
}

EnatInput frmStaticNAT::currentInput() const
{
    EnatInput in;
    in.type = cboNATType->currentIndex();
    in.privateIP = txtIP->text();
    in.privateMask = txtNetMask->text();
    in.privatePort = txtPort->text();
    in.globalIP = txtGBLIP->text();
    in.globalMask = txtGBLMask->text();
    in.globalPort = txtGBLPORT->text();
    in.protocol = cboProtocol->currentText();
    in.useInterface = chkGblInt->isChecked();
    in.globalInterface = cboGBLInter->currentText();
    return in;
}

void frmStaticNAT::focusAndSelect(QLineEdit *box)
{
    box->setFocus(Qt::OtherFocusReason);
    box->setSelection(0, int(box->text().size()));
}

// Keeps the entry being edited pointing at the same entry while others are
// removed; when the entry itself goes, the edit ends and the next add stores
// the inputs as a new entry instead of overwriting a neighbour.
void frmStaticNAT::noteRemoved(int index)
{
    if (!Editing)
        return;
    const int edited = EditIndex - 1;
    if (index < edited) {
        --EditIndex;
    } else if (index == edited) {
        endEdit();
    }
}

void frmStaticNAT::cboNATType_Click()
{
    const int type = cboNATType->currentIndex();
    setBoxEnabled(txtIP, true);
    setBoxEnabled(txtNetMask, type == DynamicNat || type == DynamicEnat);
    setBoxEnabled(txtPort, type == StaticEnat);
    setBoxEnabled(txtGBLMask, type == DynamicNat);
    setBoxEnabled(txtGBLPORT, type == StaticEnat);
    if (type != StaticEnat)
        cboProtocol->setCurrentIndex(0);
    setFieldEnabled(cboProtocol, type == StaticEnat);

    chkGblInt->setChecked(false);
    chkGblInt_Click();
    setFieldEnabled(chkGblInt, type == DynamicEnat);
}

void frmStaticNAT::chkGblInt_Click()
{
    const bool byInterface = chkGblInt->isChecked();
    setBoxEnabled(txtGBLIP, !byInterface);
    setFieldEnabled(cboGBLInter, byInterface);
}

void frmStaticNAT::lvwNATList_ItemClick()
{
    if (selectedRow() < 0)
        return;
    setFieldEnabled(cmdEdit, true);
    setFieldEnabled(cmdDelete, true);
    setFieldEnabled(cmdAdd, false);
}

void frmStaticNAT::InputBox_GotFocus()
{
    setFieldEnabled(cmdEdit, false);
    setFieldEnabled(cmdDelete, false);
    setFieldEnabled(cmdAdd, true);
}

void frmStaticNAT::cmdAdd_Click()
{
    if (Editing && (EditIndex < 1 || EditIndex > m_config.EnatCount))
        endEdit();
    if (!Editing && m_config.EnatCount >= MaxEnatEntries) {
        m_prompt.critical(enatListFullText(), Caption);
        return;
    }

    const EnatInput input = currentInput();
    const EnatFault fault = checkEnatInput(m_config, input, Editing ? EditIndex - 1 : -1);
    if (fault != EnatFault::None) {
        const EnatFaultMessage message = enatFaultText(fault, input.type);
        m_prompt.critical(message.text, message.title);
        switch (fault) {
        case EnatFault::PrivateAddress: focusAndSelect(txtIP); break;
        case EnatFault::GlobalAddress: focusAndSelect(txtGBLIP); break;
        case EnatFault::PrivateMask: focusAndSelect(txtNetMask); break;
        case EnatFault::GlobalMask: focusAndSelect(txtGBLMask); break;
        // These refusals empty the boxes, so the edit ends with them: left
        // open, the next entry typed would silently replace the one that was
        // being edited.
        case EnatFault::Duplicate:
        case EnatFault::UsedByDynamic:
            ClearInputs();
            endEdit();
            break;
        case EnatFault::NoDynamicCover:
            ClearInputs();
            endEdit();
            cboNATType->setCurrentIndex(DynamicEnat);
            break;
        case EnatFault::Port:
        case EnatFault::None:
            break;
        }
        return;
    }

    const EnatEntry entry = makeEnatEntry(input);
    if (Editing) {
        m_config.EnatList[EditIndex - 1] = entry;
        m_config.EnatCommands.clear();
    } else if (!m_config.appendEnat(entry)) {
        m_prompt.critical(enatListFullText(), Caption);
        return;
    }
    m_listChanged = true;
    refreshList();
    ClearInputs();
    endEdit();
}

void frmStaticNAT::endEdit()
{
    if (!m_extraInterface.isEmpty()) {
        const int extra = cboGBLInter->findText(m_extraInterface);
        if (extra >= 0) {
            if (cboGBLInter->currentIndex() == extra)
                cboGBLInter->setCurrentIndex(0);
            cboGBLInter->removeItem(extra);
        }
        m_extraInterface.clear();
    }
    if (!Editing)
        return;
    Editing = false;
    EditIndex = -1;
    // Editing an entry by address locks the interface choice; the next new
    // entry of the same type may use an interface again.
    setFieldEnabled(chkGblInt, cboNATType->currentIndex() == DynamicEnat);
}

void frmStaticNAT::cmdEdit_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const EnatEntry entry = m_config.EnatList[row];
    if (entry.NATType < 0 || entry.NATType >= EnatTypeCount)
        return;

    endEdit();
    Editing = true;
    EditIndex = row + 1;
    {
        const QSignalBlocker blockType(cboNATType);
        cboNATType->setCurrentIndex(entry.NATType);
    }
    cboNATType_Click();

    txtIP->setText(entry.PrivateIP);
    switch (entry.NATType) {
    case StaticNat:
        txtGBLIP->setText(entry.GlobalIP);
        break;
    case DynamicNat:
        txtNetMask->setText(entry.PrivateMask);
        txtGBLIP->setText(entry.GlobalIP);
        txtGBLMask->setText(entry.GlobalMask);
        break;
    case StaticEnat: {
        const int protocol = cboProtocol->findText(entry.Protocol, Qt::MatchFixedString);
        cboProtocol->setCurrentIndex(protocol >= 0 ? protocol : 0);
        txtPort->setText(entry.PrivatePort);
        txtGBLIP->setText(entry.GlobalIP);
        txtGBLPORT->setText(entry.GlobalPort);
        break;
    }
    case DynamicEnat:
        txtNetMask->setText(entry.PrivateMask);
        if (!entry.GlobalInterFace.isEmpty()) {
            // An entry may name the interface of a destination that no longer
            // exists; offering it keeps an unchanged edit from moving the entry
            // to another interface.
            int choice = cboGBLInter->findText(entry.GlobalInterFace);
            if (choice < 0) {
                cboGBLInter->addItem(entry.GlobalInterFace);
                m_extraInterface = entry.GlobalInterFace;
                choice = cboGBLInter->count() - 1;
            }
            chkGblInt->setChecked(true);
            setFieldEnabled(chkGblInt, true);
            cboGBLInter->setCurrentIndex(choice);
        } else {
            txtGBLIP->setText(entry.GlobalIP);
            chkGblInt->setChecked(false);
            setFieldEnabled(chkGblInt, false);
            cboGBLInter->setCurrentIndex(0);
            setFieldEnabled(cboGBLInter, false);
        }
        break;
    }
    if (entry.NATType != DynamicEnat)
        cboGBLInter->setCurrentIndex(0);
    txtIP->setFocus(Qt::OtherFocusReason);
}

void frmStaticNAT::cmdDelete_Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const bool dynamicEnat = m_config.EnatList[row].NATType == DynamicEnat;
    if (dynamicEnat) {
        const MessageAnswer answer = m_prompt.show(
            QStringLiteral("ダイナミックENATの設定を削除します。\r\n"
                           "この設定に関係するスタティックENATの設定も削除\r\n"
                           "されますがよろしいですか？"),
            QStringLiteral("ENATリストの削除"), MessageIcon::Information, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok)
            return;
    }
    if (!m_config.removeEnat(row))
        return;
    noteRemoved(row);
    if (dynamicEnat) {
        for (int removed : removeUncoveredStaticEnat(m_config))
            noteRemoved(removed);
    }
    m_listChanged = true;
    refreshList();
    if (lvwNATList->topLevelItemCount() == 0) {
        setFieldEnabled(cmdEdit, false);
        setFieldEnabled(cmdDelete, false);
    }
}

void frmStaticNAT::ClearInputs()
{
    for (QLineEdit *box : {txtIP, txtNetMask, txtPort, txtGBLIP, txtGBLMask, txtGBLPORT})
        box->clear();
    chkGblInt->setChecked(false);
    cboProtocol->setCurrentIndex(0);
    txtIP->setFocus(Qt::OtherFocusReason);
}

void frmStaticNAT::cmdOK_Click()
{
    if (m_config.EnatCount > 0) {
        m_config.EnatCommands = buildEnatCommands(m_config);
        markChanged();
    } else if (m_listChanged) {
        // Emptying the list is a change like any other: without it the
        // program would close without offering to save the deletion.
        m_config.EnatCommands.clear();
        markChanged();
    }
    accept();
}

void frmStaticNAT::markChanged()
{
    m_config.markChanged();
    m_changedConfiguration = true;
}

void frmStaticNAT::cmdCancel_Click()
{
    reject();
}

void frmStaticNAT::reject()
{
    if (m_listChanged) {
        // There is no undo: the list keeps every change, so the configuration
        // has changed and the script must be built again from the list.
        m_config.EnatCommands.clear();
        markChanged();
    }
    QDialog::reject();
}

} // namespace mg

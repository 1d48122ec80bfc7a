#pragma once

#include "Configuration.h"
#include "Prompts.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace mg {

struct EnatInput;

// The address and port translation list. Entries are added, edited and
// deleted in place in the configuration's ENAT list; OK rebuilds the ENAT
// lines of the script and marks the configuration changed. Questions and
// refusals go through the prompt the main window passes in.
class frmStaticNAT : public QDialog {
    Q_OBJECT
public:
    // Puts the opening questions (dynamic ENAT entries for terminal-type
    // destinations) before it returns.
    frmStaticNAT(Configuration &config, MessagePrompt &prompt, QWidget *parent = nullptr);

    // Whether the list was changed while the dialog was open, by an answer to
    // the opening question or by the operator, whichever button closed it.
    bool listChanged() const { return m_listChanged; }
    // Whether closing marked the configuration changed: OK with entries in
    // the list, or any way out after the list was edited. OK on an empty,
    // untouched list only closes.
    bool changedConfiguration() const { return m_changedConfiguration; }

    bool isEditing() const { return Editing; }
    int editIndex() const { return EditIndex; }

public slots:
    // Closing without OK, by the button, Escape or the window frame, keeps
    // what was done to the list but drops the ENAT lines built from it.
    void reject() override;

private:
    void buildControls();
    void fillInterfaceList();
    void refreshList();
    void updateRowButtons();
    int selectedRow() const;
    EnatInput currentInput() const;
    void noteRemoved(int index);
    void focusAndSelect(QLineEdit *box);

    void cboNATType_Click();
    void chkGblInt_Click();
    void lvwNATList_ItemClick();
    void InputBox_GotFocus();
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void ClearInputs();
    // Ends an edit in progress (stored or abandoned).
    void endEdit();
    void markChanged();

    bool eventFilter(QObject *watched, QEvent *event) override;

    Configuration &m_config;
    MessagePrompt &m_prompt;

    bool Editing = false;
    int EditIndex = 0;           // 1-based; -1 once an edit has ended
    // The interface of a deleted destination, offered only while the entry
    // that names it is being edited.
    QString m_extraInterface;
    bool m_listChanged = false;
    bool m_changedConfiguration = false;

    QComboBox *cboNATType = nullptr;
    QLineEdit *txtIP = nullptr;
    QLineEdit *txtNetMask = nullptr;
    QLineEdit *txtPort = nullptr;
    QComboBox *cboProtocol = nullptr;
    QLineEdit *txtGBLIP = nullptr;
    QLineEdit *txtGBLMask = nullptr;
    QLineEdit *txtGBLPORT = nullptr;
    QCheckBox *chkGblInt = nullptr;
    QComboBox *cboGBLInter = nullptr;
    QTreeWidget *lvwNATList = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

} // namespace mg

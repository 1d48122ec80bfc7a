#pragma once

#include "BodChecks.h"
#include "Configuration.h"
#include "Prompts.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

// "バンドワイズオンデマンド(BOD)の詳細設定": the bandwidth-on-demand
// thresholds of one destination. OK stores the four texts exactly as typed
// into BodSetting `destination` and marks the configuration changed;
// キャンセル leaves the record alone.
class frmBOD : public QDialog {
    Q_OBJECT
public:
    frmBOD(mg::Configuration &config, int destination, mg::MessagePrompt &prompt, QWidget *parent = nullptr);

private:
    void buildControls();
    void Form_Load();
    QLineEdit *box(mg::BodField field) const;

    void cmdOK_Click();
    void cmdCancel_Click();

    mg::Configuration &m_config;
    int m_destination;
    mg::MessagePrompt &m_prompt;

    QGroupBox *Frame15 = nullptr;
    QGroupBox *Frame16 = nullptr;
    QLineEdit *txtUprate = nullptr;
    QLineEdit *txtUptime = nullptr;
    QLineEdit *txtDownrate = nullptr;
    QLineEdit *txtDowntime = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

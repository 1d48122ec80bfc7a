#include "GenerateCommand.h"

#include "Configuration.h"
#include "ConfigurationValidator.h"
#include "DestinationPage.h"
#include "ScriptGenerator.h"
#include "frmMain.h"
#include "frmScript.h"

#include <QLineEdit>
#include <QObject>

namespace mg {

GenerateCommand::GenerateCommand(frmMain &window, EditorChecks &checks, MessagePrompt &prompt,
                                 ScriptWindow scriptWindow)
    : m_window(window), m_checks(checks), m_prompt(prompt), m_scriptWindow(std::move(scriptWindow))
{
}

void GenerateCommand::cmdGen_Click()
{
    if (!m_checks.CheckConfiguration(m_window.selectedTab()))
        return;
    if (!everyDestinationHasRoute())
        return;

    Configuration &config = m_window.configuration();
    const int enatBefore = config.EnatCount;
    const QString script = GenerateScript(config, m_prompt);
    config.CommandScript = script;
    // An ENAT entry accepted during generation is part of the configuration
    // from now on; without this an exit would not offer to save it.
    if (config.EnatCount != enatBefore)
        m_window.MarkChanged();
    if (!script.isEmpty())
        showScriptWindow();
}

bool GenerateCommand::everyDestinationHasRoute()
{
    const Configuration &config = m_window.configuration();
    const int destinations = qMin<int>(config.TabCount - 1, MaxDestinations);
    const QString title = QStringLiteral("設定の作成");
    for (int d = 1; d <= destinations; ++d) {
        const Destination &record = config.destination(d);
        const bool routed = record.Type == 1
            ? (record.DefRoute != 0 || record.StaticRoute != 0)
            : (record.PPPRIP != 0 || record.DefRoute != 0 || record.StaticRoute != 0);
        if (!routed) {
            m_prompt.critical(QStringLiteral("ルートの設定がありません。"), title);
            return false;
        }
        if (record.StaticRoute == 1
            && (record.RouteIP.isEmpty() || record.RouteNetMask.isEmpty() || record.RouteNextHop.isEmpty())) {
            m_prompt.critical(QStringLiteral("スタティックにルートを設定する場合は、接続先のIPアドレス、\r\n"
                                             "ネットマスク、またはネクストホップは省略できません。"),
                              title);
            // Only onto the page in front: a hidden box would take the keys.
            QLineEdit *routeIP = m_window.destinationPage->txtRouteIP;
            if (routeIP->isVisible() && routeIP->isEnabled())
                routeIP->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void GenerateCommand::showScriptWindow()
{
    if (m_scriptWindow) {
        m_scriptWindow();
        return;
    }
    frmScript window(m_window.configuration(), m_prompt, &m_window);
    window.formRefresh = [this] { m_window.refreshFromConfiguration(); };
    window.exec();
}

namespace {

// Owned by the window, so the checks live exactly as long as it does.
class ValidationHolder : public QObject {
public:
    ValidationHolder(frmMain &window, MessagePrompt &prompt, GenerateCommand::ScriptWindow scriptWindow)
        : QObject(&window), validator(window, prompt), command(window, validator, prompt, std::move(scriptWindow))
    {
    }
    ConfigurationValidator validator;
    GenerateCommand command;
};

} // namespace

void installValidation(frmMain &window, MessagePrompt &prompt, GenerateCommand::ScriptWindow scriptWindow)
{
    auto *holder = new ValidationHolder(window, prompt, std::move(scriptWindow));
    window.setChecks(&holder->validator);
    window.setGenerateHandler([holder] { holder->command.cmdGen_Click(); });
}

} // namespace mg

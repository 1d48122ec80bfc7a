#pragma once

#include "Configuration.h"
#include "Prompts.h"

#include <QString>

namespace mg {

// Turns the configuration into the router's command script (CR LF after
// every line). The only dialogue is the question whether to add a dynamic
// ENAT entry for a terminal-type destination, asked through `prompt`.
// Writes only the ENAT list (entries added on Yes) and the kept texts
// RouteCommands / EnatCommands (rebuilt when empty, used as they are
// otherwise). The question is not asked when the ENAT list is full. Counts
// outside the tables (TabCount, RouteCount, EnatCount) are held to them, so a
// damaged configuration never reads past a table.
QString GenerateScript(Configuration &config, MessagePrompt &prompt);

// The question offering the LAN's dynamic ENAT entry over terminal-type
// destination n, and its title; the ENAT dialog asks it too.
QString lanEnatQuestion(int n);
QString lanEnatQuestionTitle();

// The route lines of the static route list (kept as RouteCommands).
QString buildRouteCommands(const Configuration &config);

// "enable ip nat" and the lines of the ENAT list (kept as EnatCommands).
QString buildEnatCommands(const Configuration &config);

} // namespace mg

#include "frmTelnetSetting.h"

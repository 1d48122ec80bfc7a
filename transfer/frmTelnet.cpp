#include "frmTelnet.h"

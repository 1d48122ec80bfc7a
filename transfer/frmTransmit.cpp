#include "frmTransmit.h"

#include "frmSerial.h"

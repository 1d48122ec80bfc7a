#include "SerialLine.h"

#include "SerialEvents.h"

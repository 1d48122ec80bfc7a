#include "TelnetLink.h"

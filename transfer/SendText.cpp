#include "SendText.h"

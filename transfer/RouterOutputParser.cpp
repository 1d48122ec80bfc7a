#include "RouterOutputParser.h"

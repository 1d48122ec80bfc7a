#include "LineCursor.h"

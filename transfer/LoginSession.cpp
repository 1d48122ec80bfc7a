#include "LoginSession.h"

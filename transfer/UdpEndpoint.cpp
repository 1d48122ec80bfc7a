#include "UdpEndpoint.h"

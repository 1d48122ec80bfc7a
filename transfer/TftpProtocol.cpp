#include "TftpProtocol.h"

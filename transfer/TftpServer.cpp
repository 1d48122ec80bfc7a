#include "TftpServer.h"

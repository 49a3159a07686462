#define ORAPLS_BUILD
#include "Orapls.h"

#include <string.h>

int orapls_execute(const char* block, int flags) { return (int)strlen(block) + flags; }

int orapls_version(void) { return 11; }

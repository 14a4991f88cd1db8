#include "parallo/enums.h"

#include "parallo/drawkit.h"

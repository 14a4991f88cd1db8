#include "parallo/coordkit.h"

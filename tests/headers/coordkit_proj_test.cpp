#include "parallo/coordkit_proj.h"

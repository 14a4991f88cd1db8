#include "parallo/layout.h"

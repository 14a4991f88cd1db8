#include "parallo/planicalc.h"

#include "parallo/parallo.h"

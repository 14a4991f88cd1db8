#include "parallo/error.h"

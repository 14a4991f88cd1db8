#include "parallo/version.h"

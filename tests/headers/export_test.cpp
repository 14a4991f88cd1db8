#include "parallo/export.h"

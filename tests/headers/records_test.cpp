#include "parallo/records.h"

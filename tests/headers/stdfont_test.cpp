#include "parallo/stdfont.h"

#include "parallo/shapekit.h"

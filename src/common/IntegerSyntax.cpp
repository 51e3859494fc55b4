#include "common/IntegerSyntax.h"

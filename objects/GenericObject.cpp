// GenericObject holds values only; its accessors are defined in the header.
#include "objects/GenericObject.h"

// A platform file that reaches up into the framework: the layer check must
// reject this tree.
#include "framework/Application.h"

// Definitions of the exported data constants.
#include "DataConstants.h"

const float DFMax = 3.3e38f;
const float pi = 3.14159274f;

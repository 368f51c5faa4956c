// The exported instantiation of DArray for float samples.
#include "DArray.h"

template class DArray<float, false>;

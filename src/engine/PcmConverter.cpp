#include "PcmConverter.h"

#include "WavFileWriter.h"

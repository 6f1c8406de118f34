#pragma once
// Video for Windows: AVIFile, installable compressors (ICM) and the audio
// compression manager (ACM).

#include "Platform/Com/Com.h"
#include "Platform/Mm/Mm.h"
#include "Platform/Vfw/Acm.h"
#include "Platform/Vfw/AviFile.h"
#include "Platform/Vfw/Icm.h"
#include "Platform/Vfw/VfwTypes.h"

#include "Win32/Imaging/GfxObject.h"

// Out of line so the class's virtual table has one home.
CGfxObject::~CGfxObject() = default;

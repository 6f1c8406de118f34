// Every umbrella header of the platform, for the test that the tree's
// headers compile with clang as well as with g++ (fuzz builds use clang).

#include "Platform/Com/Com.h"
#include "Platform/DShow/BaseClasses/BaseClasses.h"
#include "Platform/DShow/DShow.h"
#include "Platform/Mfc/Mfc.h"
#include "Platform/Mm/Mm.h"
#include "Platform/Vfw/Vfw.h"
#include "Platform/Win/Win32.h"

int main() { return MAKEINTRESOURCEA(1) == nullptr; }

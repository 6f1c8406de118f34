#pragma once
// The two answers the producer needs of the IEEE 1394 DV stack: the bus
// library's support query ("Wnpapi32.dll"), which tells whether the stack
// handles DV type-2 files, and the file version of the system DV codec
// ("qdv.dll"), which tells whether it writes NTSC DV at 29.97 frames a
// second.
//
// No 1394 bus is driven here: both answers come from the stack setting
// below, which starts as a present stack with DV type-2 support and a codec
// of version 6.1.5.321. Tests (and a machine that wants DV type-1 files)
// change it.

#include "Platform/Win/Base/WinTypes.h"

struct Dv1394StackSetting {
    // The bus library is installed and answers its support query.
    BOOL busLibraryPresent = TRUE;
    // The support byte it reports (nonzero: DV type 2 is supported).
    BYTE support = 1;
    // The DV codec file exists and carries version information.
    BOOL codecPresent = TRUE;
    // Its fixed file version: major << 16 | minor, build << 16 | revision.
    DWORD codecVersionMS = 0x00060001;
    DWORD codecVersionLS = 0x00050141;
};

Dv1394StackSetting GetDv1394StackSetting();
void SetDv1394StackSetting(const Dv1394StackSetting& setting);

// The bus library's support query: 1 with the support byte in *support
// when the library is present; 0 (and *support 0) when it is not.
int GetPAPISupportInfo(BYTE* support);

// The DV codec's fixed file version; FALSE (both words 0) when the file is
// missing or has no version information.
BOOL GetDvCodecFileVersion(DWORD* versionMS, DWORD* versionLS);

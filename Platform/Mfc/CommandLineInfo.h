#pragma once
// What the program's command line asks for: a new document (the default),
// a file to open, or a shell command. ParseParam sees each argument once,
// with flags ("-x" or "/x") passed without their sign.

#include <vector>

#include "Platform/Mfc/Object.h"

class CCommandLineInfo : public CObject {
public:
    CCommandLineInfo() = default;

    enum {
        FileNew,
        FileOpen,
        FilePrint,
        FilePrintTo,
        FileDDE,
        AppRegister,
        AppUnregister,
        FileNothing = -1
    } m_nShellCommand = FileNew;

    virtual void ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast);

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    CString m_strFileName;
    CString m_strPrinterName;
    CString m_strDriverName;
    CString m_strPortName;

protected:
    void ParseParamFlag(LPCSTR pszParam);
    void ParseParamNotFlag(LPCSTR pszParam);
    void ParseLast(BOOL bLast);
};

// Splits a command line into arguments: white space separates, double
// quotes group, and backslashes escape quotes as the program's original
// platform does (2n backslashes and a quote give n backslashes and start or
// end a group; 2n+1 give n and a literal quote).
std::vector<CString> AfxSplitCommandLine(LPCSTR lpszCommandLine);

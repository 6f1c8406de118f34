#include "Platform/Mfc/CommandLineInfo.h"

#include <string>
#include <strings.h>

namespace {

struct FlagCommand {
    LPCSTR flag;
    int command;
};

// Flags that choose a shell command, compared without case.
constexpr FlagCommand kFlagCommands[] = {
    {"pt", CCommandLineInfo::FilePrintTo},     {"p", CCommandLineInfo::FilePrint},
    {"dde", CCommandLineInfo::FileDDE},        {"Register", CCommandLineInfo::AppRegister},
    {"Regserver", CCommandLineInfo::AppRegister}, {"Unregister", CCommandLineInfo::AppUnregister},
    {"Unregserver", CCommandLineInfo::AppUnregister},
};

} // namespace

void CCommandLineInfo::ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast)
{
    if (bFlag)
        ParseParamFlag(pszParam);
    else
        ParseParamNotFlag(pszParam);
    ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(LPCSTR pszParam)
{
    for (const FlagCommand& entry : kFlagCommands) {
        if (strcasecmp(pszParam, entry.flag) == 0) {
            m_nShellCommand = static_cast<decltype(m_nShellCommand)>(entry.command);
            return;
        }
    }
    if (strcasecmp(pszParam, "Embedding") == 0) {
        m_bRunEmbedded = TRUE;
        m_bShowSplash = FALSE;
    } else if (strcasecmp(pszParam, "Automation") == 0) {
        m_bRunAutomated = TRUE;
        m_bShowSplash = FALSE;
    }
}

void CCommandLineInfo::ParseParamNotFlag(LPCSTR pszParam)
{
    if (m_strFileName.IsEmpty())
        m_strFileName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.IsEmpty())
        m_strPrinterName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.IsEmpty())
        m_strDriverName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.IsEmpty())
        m_strPortName = pszParam;
}

void CCommandLineInfo::ParseLast(BOOL bLast)
{
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.IsEmpty())
        m_nShellCommand = FileOpen;
    if (bLast)
        m_bShowSplash = m_bShowSplash && !m_bRunEmbedded && !m_bRunAutomated;
}

std::vector<CString> AfxSplitCommandLine(LPCSTR lpszCommandLine)
{
    std::vector<CString> args;
    if (!lpszCommandLine)
        return args;
    LPCSTR p = lpszCommandLine;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        std::string arg;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            size_t backslashes = 0;
            while (*p == '\\') {
                ++backslashes;
                ++p;
            }
            if (*p == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg += '"';
                } else if (quoted && p[1] == '"') {
                    // A doubled quote inside a group stands for one quote.
                    arg += '"';
                    ++p;
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                arg.append(backslashes, '\\');
                if (*p && (quoted || (*p != ' ' && *p != '\t')))
                    arg += *p++;
            }
        }
        args.emplace_back(arg.c_str());
    }
    return args;
}

// The shell's calls: file operations over std::filesystem, special folders
// from the XDG variables, documents and addresses opened through the
// desktop's opener, and dropped files as DROPFILES records.

#include <fnmatch.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/Controls/Controls.h"
#include "Platform/Win/Kernel/Kernel.h"
#include "Platform/Win/Kernel/ModuleImage.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Shell/Shell.h"
#include "Platform/Win/Shell/ShellSeams.h"
#include "Platform/Win/User/DesktopHost.h"

extern char** environ;

namespace fs = std::filesystem;

namespace win::shell {

namespace {

// The legacy answers of SHFileOperation.
constexpr int DE_SAMEFILE = 0x71;
constexpr int DE_DESTSUBTREE = 0x76;
constexpr int DE_INVALIDFILES = 0x7C;
constexpr int DE_ERROR = 0x402;
// A list longer than this is no list.
constexpr size_t kListLimit = 1 << 20;

// ---- Dropped files -------------------------------------------------------

// The names of a drop record; empty when the record is damaged.
std::vector<std::string> DropNames(HDROP drop, DROPFILES* header)
{
    std::vector<std::string> names;
    HGLOBAL block = reinterpret_cast<HGLOBAL>(drop);
    if (!block)
        return names;
    const SIZE_T size = GlobalSize(block);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    if (!bytes)
        return names;
    DROPFILES head{};
    bool whole = false;
    if (size >= sizeof(DROPFILES)) {
        std::memcpy(&head, bytes, sizeof head);
        if (head.pFiles >= sizeof(DROPFILES) && head.pFiles < size) {
            size_t at = head.pFiles;
            const size_t unit = head.fWide ? 2 : 1;
            while (at + unit <= size) {
                if (head.fWide) {
                    std::u16string name;
                    char16_t c = 0;
                    while (at + 2 <= size && (std::memcpy(&c, bytes + at, 2), c != 0)) {
                        name.push_back(c);
                        at += 2;
                    }
                    if (at + 2 > size)
                        break;
                    at += 2;
                    if (name.empty()) {
                        whole = true;
                        break;
                    }
                    names.push_back(Utf16ToUtf8(name));
                } else {
                    const auto* start = reinterpret_cast<const char*>(bytes + at);
                    const void* end = std::memchr(start, 0, size - at);
                    if (!end)
                        break;
                    const size_t length = static_cast<size_t>(static_cast<const char*>(end) - start);
                    at += length + 1;
                    if (length == 0) {
                        whole = true;
                        break;
                    }
                    names.emplace_back(start, length);
                }
            }
        }
    }
    GlobalUnlock(block);
    if (!whole)
        names.clear();
    if (header)
        *header = whole ? head : DROPFILES{};
    return names;
}

bool DeliverDrop(const std::vector<std::string>& paths, POINT screen) { return DropFiles(paths, screen); }

const struct DropRegistrar {
    DropRegistrar() { win::user::SetFileDropHandler(DeliverDrop); }
} g_dropRegistrar;

// ---- Launching -------------------------------------------------------------

std::mutex g_launcherLock;
Launcher g_launcher;

bool SpawnDetached(const std::vector<std::string>& argv)
{
    if (argv.empty())
        return false;
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return false;
    // The opener returns at once; its exit is collected so no zombie stays.
    std::thread([child] {
        int status = 0;
        waitpid(child, &status, 0);
    }).detach();
    return true;
}

bool Launch(const std::vector<std::string>& argv)
{
    Launcher launcher;
    {
        std::lock_guard<std::mutex> guard(g_launcherLock);
        launcher = g_launcher;
    }
    return launcher ? launcher(argv) : SpawnDetached(argv);
}

// ---- Special folders -------------------------------------------------------

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : "";
}

std::string Home()
{
    std::string home = Env("HOME");
    return home.empty() ? "/" : home;
}

// XDG_DOCUMENTS_DIR from the environment or from user-dirs.dirs.
std::string DocumentsFolder()
{
    if (std::string direct = Env("XDG_DOCUMENTS_DIR"); !direct.empty())
        return direct;
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty())
        config = Home() + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = Home() + value.substr(5);
        if (!value.empty() && value[0] == '/' && fs::is_directory(value))
            return value;
    }
    return Home();
}

// ---- File operations ---------------------------------------------------------

std::vector<std::string> ParseList(LPCSTR list)
{
    std::vector<std::string> out;
    if (!list)
        return out;
    size_t total = 0;
    for (const char* p = list; *p && total < kListLimit;) {
        const size_t length = std::strlen(p);
        out.emplace_back(p, length);
        total += length + 1;
        p += length + 1;
    }
    return out;
}

bool HasPattern(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Sources with their patterns expanded; false when one is missing.
bool ExpandSources(const std::vector<std::string>& from, std::vector<fs::path>* out)
{
    for (const std::string& source : from) {
        fs::path p(source);
        const std::string leaf = p.filename().string();
        if (!HasPattern(leaf)) {
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(p, ec)))
                return false;
            out->push_back(p);
            continue;
        }
        const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (fnmatch(leaf.c_str(), it->path().filename().c_str(), FNM_PERIOD) == 0)
                out->push_back(it->path());
    }
    return true;
}

bool Inside(const fs::path& inner, const fs::path& outer)
{
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(inner, ec);
    const fs::path b = fs::weakly_canonical(outer, ec);
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty())
            continue;
        if (ai == a.end() || *ai != *bi)
            return false;
    }
    return true;
}

// Asks before replacing a file unless the caller said not to; false skips
// it, and `abort` stops the whole operation.
bool MayReplace(const SHFILEOPSTRUCTA& op, const fs::path& target, bool* abort)
{
    std::error_code ec;
    if ((op.fFlags & FOF_NOCONFIRMATION) || !fs::exists(fs::symlink_status(target, ec)))
        return true;
    const std::string text = "The file \"" + target.string() + "\" already exists.\n\nReplace it?";
    switch (MessageBoxA(op.hwnd, text.c_str(), "Confirm File Replace", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return true;
    case IDCANCEL:
        *abort = true;
        return false;
    default:
        return false;
    }
}

bool CopyOne(const fs::path& source, const fs::path& target)
{
    std::error_code ec;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    const auto options = fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                         fs::copy_options::copy_symlinks;
    ec.clear();
    fs::copy(source, target, options, ec);
    return !ec;
}

bool MoveOne(const fs::path& source, const fs::path& target)
{
    std::error_code ec;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    ec.clear();
    if (fs::is_directory(target, ec) && fs::is_directory(source, ec)) {
        // Into an existing folder: the contents join it.
        if (!CopyOne(source, target))
            return false;
        fs::remove_all(source, ec);
        return !ec;
    }
    ec.clear();
    fs::rename(source, target, ec);
    if (!ec)
        return true;
    // Across file systems: copy, then remove.
    if (!CopyOne(source, target))
        return false;
    fs::remove_all(source, ec);
    return !ec;
}

int CopyOrMove(SHFILEOPSTRUCTA& op, const std::vector<fs::path>& sources, bool move)
{
    const std::vector<std::string> to = ParseList(op.pTo);
    if (to.empty())
        return DE_INVALIDFILES;
    const bool multiDest = (op.fFlags & FOF_MULTIDESTFILES) && to.size() == sources.size();
    std::error_code ec;
    // Where each source goes.
    std::vector<fs::path> targets;
    for (size_t i = 0; i < sources.size(); ++i) {
        const fs::path dest(multiDest ? to[i] : to[0]);
        const bool folderSource = fs::is_directory(sources[i], ec);
        const bool intoFolder = !multiDest && (sources.size() > 1 || folderSource || fs::is_directory(dest, ec));
        targets.push_back(intoFolder ? dest / sources[i].filename() : dest);
        if (folderSource && Inside(targets.back(), sources[i]))
            return DE_DESTSUBTREE;
        if (fs::equivalent(sources[i], targets.back(), ec))
            return DE_SAMEFILE;
    }
    for (size_t i = 0; i < sources.size(); ++i) {
        bool abort = false;
        if (!fs::is_directory(sources[i], ec) && !MayReplace(op, targets[i], &abort)) {
            if (abort) {
                op.fAnyOperationsAborted = TRUE;
                return 0;
            }
            continue;
        }
        if (!(move ? MoveOne(sources[i], targets[i]) : CopyOne(sources[i], targets[i])))
            return DE_ERROR;
    }
    return 0;
}

} // namespace

void SetLauncher(Launcher launcher)
{
    std::lock_guard<std::mutex> guard(g_launcherLock);
    g_launcher = std::move(launcher);
}

HDROP MakeDrop(const std::vector<std::string>& paths, POINT client, bool nonClient)
{
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths)
        bytes += p.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (!block)
        return nullptr;
    auto* data = static_cast<BYTE*>(GlobalLock(block));
    DROPFILES header{static_cast<DWORD>(sizeof(DROPFILES)), client, nonClient, FALSE};
    std::memcpy(data, &header, sizeof header);
    size_t at = sizeof(DROPFILES);
    for (const std::string& p : paths) {
        std::memcpy(data + at, p.c_str(), p.size() + 1);
        at += p.size() + 1;
    }
    data[at] = 0;
    GlobalUnlock(block);
    return reinterpret_cast<HDROP>(block);
}

bool DropFiles(const std::vector<std::string>& paths, POINT screen)
{
    if (paths.empty())
        return false;
    HWND target = WindowFromPoint(screen);
    while (target && !(GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        target = (GetWindowLongA(target, GWL_STYLE) & WS_CHILD) ? GetParent(target) : nullptr;
    if (!target)
        return false;
    POINT client = screen;
    ScreenToClient(target, &client);
    RECT area{};
    GetClientRect(target, &area);
    HDROP drop = MakeDrop(paths, client, !PtInRect(&area, client));
    if (!drop)
        return false;
    if (!PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0)) {
        GlobalFree(reinterpret_cast<HGLOBAL>(drop));
        return false;
    }
    return true;
}

} // namespace win::shell

using namespace win::shell;

void DragAcceptFiles(HWND window, BOOL accept)
{
    const LONG ex = GetWindowLongA(window, GWL_EXSTYLE);
    SetWindowLongA(window, GWL_EXSTYLE,
                   accept ? ex | static_cast<LONG>(WS_EX_ACCEPTFILES) : ex & ~static_cast<LONG>(WS_EX_ACCEPTFILES));
}

UINT DragQueryFileA(HDROP drop, UINT index, LPSTR buffer, UINT size)
{
    const std::vector<std::string> names = DropNames(drop, nullptr);
    if (index == 0xFFFFFFFFu)
        return static_cast<UINT>(names.size());
    if (index >= names.size())
        return 0;
    const std::string& name = names[index];
    if (!buffer)
        return static_cast<UINT>(name.size());
    if (size == 0)
        return 0;
    const size_t n = std::min<size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = '\0';
    return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, LPPOINT point)
{
    DROPFILES header{};
    DropNames(drop, &header);
    if (point)
        *point = header.pt;
    return !header.fNC;
}

void DragFinish(HDROP drop)
{
    if (drop)
        GlobalFree(reinterpret_cast<HGLOBAL>(drop));
}

BOOL DragDetect(HWND window, POINT point)
{
    const int dx = std::max(1, GetSystemMetrics(SM_CXDRAG));
    const int dy = std::max(1, GetSystemMetrics(SM_CYDRAG));
    const RECT zone{point.x - dx, point.y - dy, point.x + dx + 1, point.y + dy + 1};
    if (!(GetKeyState(VK_LBUTTON) & 0x8000))
        return FALSE;
    SetCapture(window);
    BOOL dragged = FALSE;
    MSG msg;
    while (GetCapture() == window && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_MOUSEMOVE) {
            POINT at{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
            ClientToScreen(msg.hwnd, &at);
            if (!PtInRect(&zone, at)) {
                dragged = TRUE;
                break;
            }
        } else if (msg.message == WM_LBUTTONUP || (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)) {
            break;
        } else if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        } else if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) {
            if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST)
                DispatchMessageA(&msg);
        }
    }
    if (GetCapture() == window)
        ReleaseCapture();
    return dragged;
}

int SHFileOperationA(LPSHFILEOPSTRUCTA op)
{
    if (!op)
        return DE_INVALIDFILES;
    op->fAnyOperationsAborted = FALSE;
    std::vector<fs::path> sources;
    const std::vector<std::string> from = ParseList(op->pFrom);
    if (from.empty() || !ExpandSources(from, &sources) || sources.empty())
        return DE_INVALIDFILES;
    std::error_code ec;
    switch (op->wFunc) {
    case FO_COPY:
        return CopyOrMove(*op, sources, false);
    case FO_MOVE:
        return CopyOrMove(*op, sources, true);
    case FO_RENAME: {
        const std::vector<std::string> to = ParseList(op->pTo);
        if (sources.size() != 1 || to.empty())
            return DE_INVALIDFILES;
        fs::path target(to[0]);
        if (!target.has_parent_path())
            target = sources[0].parent_path() / target;
        if (fs::exists(fs::symlink_status(target, ec)))
            return DE_SAMEFILE;
        fs::rename(sources[0], target, ec);
        return ec ? DE_ERROR : 0;
    }
    case FO_DELETE:
        for (const fs::path& source : sources) {
            fs::remove_all(source, ec);
            if (ec)
                return DE_ERROR;
        }
        return 0;
    default:
        return DE_INVALIDFILES;
    }
}

HRESULT SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path)
{
    if (!path)
        return E_INVALIDARG;
    path[0] = '\0';
    std::string result;
    switch (folder & 0xFF) {
    case CSIDL_PERSONAL:
        result = DocumentsFolder();
        break;
    case CSIDL_APPDATA:
        result = Env("XDG_CONFIG_HOME");
        if (result.empty())
            result = Home() + "/.config";
        break;
    case CSIDL_LOCAL_APPDATA:
        result = Env("XDG_DATA_HOME");
        if (result.empty())
            result = Home() + "/.local/share";
        break;
    case CSIDL_COMMON_APPDATA:
        result = Env("KESTRELON_DATA_DIR");
        if (result.empty())
            result = win::ModuleFolder();
        break;
    default:
        return E_INVALIDARG;
    }
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    if (result.size() >= MAX_PATH)
        return E_FAIL;
    if (folder & CSIDL_FLAG_CREATE) {
        std::error_code ec;
        fs::create_directories(result, ec);
    }
    std::memcpy(path, result.c_str(), result.size() + 1);
    return S_OK;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR directory, INT)
{
    auto answer = [](INT_PTR value) { return reinterpret_cast<HINSTANCE>(value); };
    const std::string action = verb ? verb : "open";
    if (!action.empty() && action != "open" && action != "explore")
        return answer(SE_ERR_NOASSOC);
    if (!file || !*file)
        return answer(SE_ERR_FNF);
    std::string target = file;
    // A relative file name is taken in the given folder; an address as it is.
    if (directory && *directory && target.find("://") == std::string::npos && target[0] != '/')
        target = std::string(directory) + "/" + target;
    return Launch({"xdg-open", target}) ? answer(42) : answer(SE_ERR_FNF);
}

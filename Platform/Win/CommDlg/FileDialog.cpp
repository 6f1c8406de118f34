// The open and save dialog, built here as an Explorer-form dialog over the
// real file system: folders first, then the files the chosen type's
// patterns match (without regard to case). Names are bytes: those that are
// not UTF-8 show replacement characters and come back as they are.
// Unreadable folders and broken links show as empty or plain entries.

#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/Base/Utf.h"
#include "Platform/Win/CommDlg/CommDlg.h"
#include "Platform/Win/Controls/ControlBuilding.h"
#include "Platform/Win/Controls/DialogBuilding.h"
#include "Platform/Win/Kernel/Resources.h"

namespace fs = std::filesystem;

namespace win::commdlg {

// The last failure of a common dialog on this thread (CommDlgExtendedError).
DWORD& LastCommonDialogError()
{
    thread_local DWORD error = 0;
    return error;
}

namespace {


constexpr const char* kStateProperty = "KestrelonFileDialog";
constexpr size_t kFilterLimit = 64 * 1024;
constexpr int kGripId = 0x0500;
constexpr int kHookChildId = 0x0501;
constexpr int kToolBarId = 0x04A0;

struct Filter {
    std::string description;
    std::vector<std::string> patterns;
};

struct Entry {
    std::string name; // bytes as the file system has them
    bool folder = false;
};

struct FileDialog {
    OPENFILENAMEA* ofn = nullptr;
    bool save = false;
    std::string folder;
    std::vector<Filter> filters;
    int filter = 0;
    std::vector<std::string> typedPatterns; // a pattern typed in the name field
    std::vector<Entry> entries;
    HWND child = nullptr; // the hook's dialog
    SIZE childSize{};
    HIMAGELIST icons = nullptr;
};

FileDialog* StateOf(HWND dialog) { return static_cast<FileDialog*>(GetPropA(dialog, kStateProperty)); }

bool LessNoCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::string> SplitPatterns(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string p = text.substr(start, end - start);
        while (!p.empty() && p.front() == ' ')
            p.erase(p.begin());
        while (!p.empty() && p.back() == ' ')
            p.pop_back();
        if (!p.empty())
            out.push_back(p == "*.*" ? "*" : p);
        start = end + 1;
    }
    return out;
}

std::vector<Filter> ParseFilters(LPCSTR text)
{
    std::vector<Filter> out;
    size_t total = 0;
    while (text && *text && total < kFilterLimit) {
        Filter f;
        f.description = text;
        total += f.description.size() + 1;
        text += f.description.size() + 1;
        if (!*text)
            break;
        const std::string patterns = text;
        total += patterns.size() + 1;
        text += patterns.size() + 1;
        f.patterns = SplitPatterns(patterns);
        out.push_back(std::move(f));
    }
    if (out.empty())
        out.push_back(Filter{"All Files (*.*)", {"*"}});
    return out;
}

bool Matches(const std::vector<std::string>& patterns, const std::string& name)
{
    for (const std::string& p : patterns)
        if (fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            return true;
    return false;
}

// The name for showing: invalid UTF-8 becomes U+FFFD.
std::string Shown(const std::string& bytes)
{
    std::string out;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = Utf8SequenceLength(std::string_view(bytes).substr(i));
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(bytes, i, n);
            i += n;
        }
    }
    return out;
}

bool HasPattern(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

std::string Join(const std::string& folder, const std::string& name)
{
    if (!name.empty() && name[0] == '/')
        return name;
    return folder == "/" ? "/" + name : folder + "/" + name;
}

HIMAGELIST MakeIcons()
{
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 0);
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateCompatibleBitmap(screen, 48, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, strip);
    auto fill = [&](RECT r, COLORREF c) {
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc, &r, b);
        DeleteObject(b);
    };
    fill(RECT{0, 0, 48, 16}, RGB(255, 0, 255));
    fill(RECT{1, 3, 15, 14}, RGB(200, 160, 40)); // a folder
    fill(RECT{1, 2, 7, 4}, RGB(200, 160, 40));
    fill(RECT{19, 1, 29, 15}, RGB(96, 96, 96)); // a page
    fill(RECT{20, 2, 28, 14}, RGB(255, 255, 255));
    fill(RECT{33, 5, 47, 15}, RGB(200, 160, 40)); // up one level: a folder under an arrow
    fill(RECT{39, 1, 41, 11}, RGB(0, 0, 0));
    for (int row = 0; row < 4; ++row)
        fill(RECT{36 + row, 4 - row, 44 - row, 5 - row}, RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ImageList_AddMasked(list, strip, RGB(255, 0, 255));
    DeleteObject(strip);
    return list;
}

void FillFolderCombo(HWND dialog, const FileDialog& fd)
{
    HWND combo = GetDlgItem(dialog, cmb2);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    std::vector<std::string> chain;
    for (fs::path p(fd.folder);; p = p.parent_path()) {
        chain.push_back(p.string());
        if (p == p.parent_path() || p.string().empty())
            break;
    }
    for (const std::string& folder : chain)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Shown(folder).c_str()));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

void FillList(HWND dialog, FileDialog& fd)
{
    fd.entries.clear();
    std::vector<Entry> folders;
    std::vector<Entry> files;
    const std::vector<std::string>& patterns =
        fd.typedPatterns.empty() ? fd.filters[static_cast<size_t>(fd.filter)].patterns : fd.typedPatterns;
    std::error_code ec;
    for (fs::directory_iterator it(fd.folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        const bool folder = fs::is_directory(it->path(), typeError); // a broken link is no folder
        if (folder)
            folders.push_back(Entry{name, true});
        else if (Matches(patterns, name))
            files.push_back(Entry{name, false});
    }
    auto byName = [](const Entry& a, const Entry& b) { return LessNoCase(a.name, b.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    fd.entries = folders;
    fd.entries.insert(fd.entries.end(), files.begin(), files.end());
    HWND list = GetDlgItem(dialog, lst2);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < fd.entries.size(); ++i) {
        const std::string text = Shown(fd.entries[i].name);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(text.c_str());
        item.iImage = fd.entries[i].folder ? 0 : 1;
        item.lParam = static_cast<LPARAM>(i);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// Tells the hook's dialog of an Explorer-form dialog what happened (a
// WM_NOTIFY with an OFNOTIFYA); its answer, 0 without a hook's dialog.
LRESULT NotifyHook(HWND dialog, FileDialog& fd, UINT code)
{
    if (!fd.child || !(fd.ofn->Flags & OFN_EXPLORER) || !IsWindow(fd.child))
        return 0;
    OFNOTIFYA notify{};
    notify.hdr.hwndFrom = dialog;
    notify.hdr.code = code;
    notify.lpOFN = fd.ofn;
    return SendMessageA(fd.child, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

void Navigate(HWND dialog, FileDialog& fd, const std::string& folder)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(folder), ec);
    fd.folder = ec || p.empty() ? folder : p.string();
    fd.typedPatterns.clear();
    FillFolderCombo(dialog, fd);
    FillList(dialog, fd);
    NotifyHook(dialog, fd, CDN_FOLDERCHANGE);
}

void Layout(HWND dialog, FileDialog& fd)
{
    RECT c{};
    GetClientRect(dialog, &c);
    const int m = 8;
    const int W = c.right;
    // The read-only box takes a row of its own under the type.
    const int box = (fd.ofn->Flags & OFN_HIDEREADONLY) ? 0 : 24;
    const int H = c.bottom - fd.childSize.cy - box;
    auto place = [&](int id, int x, int y, int w, int h) {
        if (HWND w_ = GetDlgItem(dialog, id))
            MoveWindow(w_, x, y, std::max(w, 1), std::max(h, 1), TRUE);
    };
    place(stc4, m, m + 4, 64, 16);
    place(cmb2, m + 70, m, W - 2 * m - 70 - 32, 160);
    place(kToolBarId, W - m - 26, m, 26, 24);
    place(lst2, m, m + 30, W - 2 * m, H - (m + 30) - 80);
    place(stc3, m, H - 68, 80, 16);
    place(edt1, m + 86, H - 72, W - 2 * m - 86 - 86, 22);
    place(IDOK, W - m - 78, H - 72, 78, 24);
    place(stc2, m, H - 36, 80, 16);
    place(cmb1, m + 86, H - 40, W - 2 * m - 86 - 86, 160);
    place(IDCANCEL, W - m - 78, H - 40, 78, 24);
    place(chx1, m + 86, H - 10, W - 2 * m - 86 - 86, 18);
    place(kGripId, W - 16, c.bottom - 16, 16, 16);
    if (fd.child)
        MoveWindow(fd.child, 0, H + box, std::max<LONG>(W, fd.childSize.cx), fd.childSize.cy, TRUE);
}

void Fail(HWND dialog, DWORD error)
{
    LastCommonDialogError() = error;
    EndDialog(dialog, FALSE);
}

bool Ask(HWND dialog, const std::string& text, UINT type, int yes)
{
    const FileDialog* fd = StateOf(dialog);
    const std::string title = fd && fd->ofn->lpstrTitle ? fd->ofn->lpstrTitle : (fd && fd->save ? "Save As" : "Open");
    return MessageBoxA(dialog, text.c_str(), title.c_str(), type) == yes;
}

// The names the name field holds: one, or several in quotes.
std::vector<std::string> TypedNames(const std::string& text)
{
    std::vector<std::string> names;
    if (text.find('"') == std::string::npos) {
        std::string t = text;
        while (!t.empty() && t.back() == ' ')
            t.pop_back();
        if (!t.empty())
            names.push_back(t);
        return names;
    }
    size_t at = 0;
    while ((at = text.find('"', at)) != std::string::npos) {
        const size_t end = text.find('"', at + 1);
        if (end == std::string::npos)
            break;
        if (end > at + 1)
            names.push_back(text.substr(at + 1, end - at - 1));
        at = end + 1;
    }
    return names;
}

// Writes the choice into the caller's record; false (with the error set)
// when the buffer is short.
bool WriteResult(FileDialog& fd, const std::string& folder, const std::vector<std::string>& names)
{
    OPENFILENAMEA& ofn = *fd.ofn;
    std::string out;
    WORD offset = 0;
    WORD extension = 0;
    if (names.size() == 1) {
        out = Join(folder, names[0]);
        const size_t slash = out.rfind('/');
        offset = static_cast<WORD>(std::min<size_t>(slash == std::string::npos ? 0 : slash + 1, 0xFFFF));
        const size_t dot = out.rfind('.');
        extension = dot != std::string::npos && dot > offset ? static_cast<WORD>(std::min<size_t>(dot + 1, 0xFFFF)) : 0;
        out.push_back('\0');
    } else {
        out = folder;
        out.push_back('\0');
        offset = static_cast<WORD>(std::min<size_t>(out.size(), 0xFFFF));
        for (const std::string& n : names) {
            out += n;
            out.push_back('\0');
        }
        out.push_back('\0');
    }
    if (!ofn.lpstrFile || ofn.nMaxFile < out.size()) {
        // The first two bytes tell the size needed.
        if (ofn.lpstrFile && ofn.nMaxFile >= 2) {
            const WORD needed = static_cast<WORD>(std::min<size_t>(out.size(), 0xFFFF));
            std::memcpy(ofn.lpstrFile, &needed, sizeof needed);
        }
        LastCommonDialogError() = FNERR_BUFFERTOOSMALL;
        return false;
    }
    std::memcpy(ofn.lpstrFile, out.data(), out.size());
    ofn.nFileOffset = offset;
    ofn.nFileExtension = extension;
    ofn.nFilterIndex = static_cast<DWORD>(fd.filter + 1);
    if (ofn.lpstrFileTitle && ofn.nMaxFileTitle > 0 && names.size() == 1) {
        const std::string title = fs::path(names[0]).filename().string();
        const size_t n = std::min<size_t>(title.size(), ofn.nMaxFileTitle - 1);
        std::memcpy(ofn.lpstrFileTitle, title.data(), n);
        ofn.lpstrFileTitle[n] = '\0';
    }
    return true;
}

// A file nobody may write (the read-only attribute), or that this user
// cannot write: the write bits count, as the superuser passes access().
bool IsReadOnly(const std::string& path)
{
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    if (ec)
        return false;
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (perms & write) == fs::perms::none || access(path.c_str(), W_OK) != 0;
}

// OK: the typed folder, pattern or name(s), checked as the flags ask.
void Accept(HWND dialog, FileDialog& fd)
{
    const std::string typed = controls::WindowText(GetDlgItem(dialog, edt1));
    std::vector<std::string> names = TypedNames(typed);
    std::error_code ec;
    if (names.empty()) {
        // Nothing typed: OK opens the folder selected in the list.
        HWND list = GetDlgItem(dialog, lst2);
        const int sel = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (sel >= 0 && fd.entries[static_cast<size_t>(sel)].folder)
            Navigate(dialog, fd, Join(fd.folder, fd.entries[static_cast<size_t>(sel)].name));
        return;
    }
    if (names.size() == 1) {
        const std::string full = Join(fd.folder, names[0]);
        if (HasPattern(names[0]) && names[0].find('/') == std::string::npos) {
            fd.typedPatterns = SplitPatterns(names[0]);
            FillList(dialog, fd);
            return;
        }
        if (fs::is_directory(full, ec)) {
            Navigate(dialog, fd, full);
            SetDlgItemTextA(dialog, edt1, "");
            return;
        }
    }
    const DWORD flags = fd.ofn->Flags;
    std::string folder = fd.folder;
    if (names.size() == 1) {
        // A single name may carry its own folder.
        const fs::path full(Join(fd.folder, names[0]));
        folder = full.parent_path().string();
        names[0] = full.filename().string();
        if (fd.ofn->lpstrDefExt && *fd.ofn->lpstrDefExt && names[0].find('.') == std::string::npos)
            names[0] += std::string(".") + fd.ofn->lpstrDefExt;
    }
    if ((flags & OFN_PATHMUSTEXIST) && !fs::is_directory(folder, ec)) {
        Ask(dialog, folder + "\nThe path does not exist.\nCheck the path and try again.", MB_OK | MB_ICONEXCLAMATION,
            IDOK);
        return;
    }
    for (const std::string& name : names) {
        const std::string full = Join(folder, name);
        const bool exists = fs::exists(full, ec);
        if ((flags & OFN_FILEMUSTEXIST) && !exists) {
            Ask(dialog, full + "\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONEXCLAMATION,
                IDOK);
            return;
        }
        if (exists && (flags & OFN_NOREADONLYRETURN) && IsReadOnly(full)) {
            Ask(dialog, full + "\nThis file is read-only.\nChoose another name.", MB_OK | MB_ICONEXCLAMATION, IDOK);
            return;
        }
        if (exists && fd.save && (flags & OFN_OVERWRITEPROMPT) &&
            !Ask(dialog, full + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONEXCLAMATION, IDYES))
            return;
    }
    if (IsDlgButtonChecked(dialog, chx1) == BST_CHECKED)
        fd.ofn->Flags |= OFN_READONLY;
    else
        fd.ofn->Flags &= ~OFN_READONLY;
    if (!WriteResult(fd, folder, names)) {
        EndDialog(dialog, FALSE);
        return;
    }
    // The hook's dialog sees the choice in the record and may refuse it.
    if (NotifyHook(dialog, fd, CDN_FILEOK) != 0 || !IsWindow(dialog))
        return;
    if (!(flags & OFN_NOCHANGEDIR))
        (void)!chdir(folder.c_str());
    EndDialog(dialog, TRUE);
}

void SelectionChanged(HWND dialog, FileDialog& fd)
{
    NotifyHook(dialog, fd, CDN_SELCHANGE);
    HWND list = GetDlgItem(dialog, lst2);
    std::vector<std::string> chosen;
    for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;)
        if (!fd.entries[static_cast<size_t>(i)].folder)
            chosen.push_back(fd.entries[static_cast<size_t>(i)].name);
    if (chosen.empty())
        return;
    std::string text;
    if (chosen.size() == 1) {
        text = chosen[0];
    } else {
        for (const std::string& n : chosen)
            text += "\"" + n + "\" ";
    }
    SetDlgItemTextA(dialog, edt1, text.c_str());
}

void MakeHookChild(HWND dialog, FileDialog& fd)
{
    OPENFILENAMEA& ofn = *fd.ofn;
    if (!(ofn.Flags & OFN_ENABLEHOOK) && !(ofn.Flags & OFN_ENABLETEMPLATE))
        return;
    DialogDescription d;
    if ((ofn.Flags & OFN_ENABLETEMPLATE) && ofn.lpTemplateName) {
        ResourceBytes bytes = FindDialogTemplate(ofn.hInstance, ofn.lpTemplateName);
        if (!bytes || !ReadDialogTemplate(bytes.data, bytes.size, &d)) {
            Fail(dialog, CDERR_FINDRESFAILURE);
            return;
        }
    } else {
        DialogTemplateBuilder empty(WS_CHILD | DS_CONTROL, 0, 0, 0, 0, "");
        ReadDialogTemplate(empty.Data(), empty.Size(), &d);
    }
    d.style = (d.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME)) | WS_CHILD | DS_CONTROL |
              WS_CLIPSIBLINGS;
    d.x = 0;
    d.y = 0;
    auto proc = (ofn.Flags & OFN_ENABLEHOOK) && ofn.lpfnHook ? reinterpret_cast<DLGPROC>(ofn.lpfnHook) : nullptr;
    RECT size{0, 0, d.cx, d.cy};
    MapDialogRect(dialog, &size);
    fd.childSize = SIZE{size.right, size.bottom};
    // The hook's dialog learns its place before WM_INITDIALOG reaches it.
    fd.child = controls::CreateDialogFromDescription(ofn.hInstance, d, dialog, proc, reinterpret_cast<LPARAM>(&ofn));
    if (!fd.child || !IsWindow(dialog))
        return;
    SetWindowLongPtrA(fd.child, GWLP_ID, kHookChildId);
    if (fd.childSize.cy > 0) {
        RECT w{};
        GetWindowRect(dialog, &w);
        SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + fd.childSize.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(fd.child, SW_SHOW);
}

INT_PTR CALLBACK FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    FileDialog* fd = StateOf(dialog);
    switch (message) {
    case WM_INITDIALOG: {
        fd = reinterpret_cast<FileDialog*>(lParam);
        SetPropA(dialog, kStateProperty, fd);
        fd->icons = MakeIcons();
        SendDlgItemMessageA(dialog, lst2, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(fd->icons));
        if (HWND bar = GetDlgItem(dialog, kToolBarId)) {
            SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
            SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(fd->icons));
            TBBUTTON up{};
            up.iBitmap = 2;
            up.idCommand = ID_FILEDLG_UPFOLDER;
            up.fsState = TBSTATE_ENABLED;
            up.fsStyle = TBSTYLE_BUTTON;
            SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&up));
        }
        for (const Filter& f : fd->filters)
            SendDlgItemMessageA(dialog, cmb1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.description.c_str()));
        SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, static_cast<WPARAM>(fd->filter), 0);
        // The starting folder and name.
        std::string initial = fd->ofn->lpstrFile ? fd->ofn->lpstrFile : "";
        std::string folder = fd->ofn->lpstrInitialDir && *fd->ofn->lpstrInitialDir ? fd->ofn->lpstrInitialDir : "";
        std::error_code ec;
        if (!initial.empty() && initial.find('/') != std::string::npos) {
            const fs::path p(initial);
            if (folder.empty() && fs::is_directory(p.parent_path(), ec))
                folder = p.parent_path().string();
            initial = p.filename().string();
        }
        if (folder.empty() || !fs::is_directory(folder, ec))
            folder = fs::current_path(ec).string();
        SetDlgItemTextA(dialog, edt1, initial.c_str());
        Navigate(dialog, *fd, folder);
        if (HasPattern(initial)) {
            fd->typedPatterns = SplitPatterns(initial);
            FillList(dialog, *fd);
        }
        if (fd->ofn->Flags & OFN_READONLY)
            CheckDlgButton(dialog, chx1, BST_CHECKED);
        MakeHookChild(dialog, *fd);
        if (!IsWindow(dialog) || !StateOf(dialog))
            return FALSE;
        Layout(dialog, *fd);
        NotifyHook(dialog, *fd, CDN_INITDONE);
        NotifyHook(dialog, *fd, CDN_FOLDERCHANGE);
        SetFocus(GetDlgItem(dialog, edt1));
        SendDlgItemMessageA(dialog, edt1, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_NCDESTROY:
        if (fd) {
            RemovePropA(dialog, kStateProperty);
            if (fd->icons) {
                SendDlgItemMessageA(dialog, lst2, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
                SendDlgItemMessageA(dialog, kToolBarId, TB_SETIMAGELIST, 0, 0);
                ImageList_Destroy(fd->icons);
            }
        }
        return FALSE;
    case WM_SIZE:
        if (fd)
            Layout(dialog, *fd);
        return FALSE;
    case WM_COMMAND:
        if (!fd)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            Accept(dialog, *fd);
            return TRUE;
        case IDCANCEL:
            LastCommonDialogError() = 0;
            EndDialog(dialog, FALSE);
            return TRUE;
        case ID_FILEDLG_UPFOLDER:
            Navigate(dialog, *fd, fs::path(fd->folder).parent_path().string());
            return TRUE;
        case cmb1:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                const int sel = static_cast<int>(SendDlgItemMessageA(dialog, cmb1, CB_GETCURSEL, 0, 0));
                if (sel >= 0 && sel < static_cast<int>(fd->filters.size())) {
                    fd->filter = sel;
                    fd->typedPatterns.clear();
                    FillList(dialog, *fd);
                    fd->ofn->nFilterIndex = static_cast<DWORD>(sel + 1);
                    NotifyHook(dialog, *fd, CDN_TYPECHANGE);
                }
            }
            return TRUE;
        case cmb2:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                const int sel = static_cast<int>(SendDlgItemMessageA(dialog, cmb2, CB_GETCURSEL, 0, 0));
                fs::path p(fd->folder);
                for (int i = 0; i < sel; ++i)
                    p = p.parent_path();
                Navigate(dialog, *fd, p.string());
            }
            return TRUE;
        default:
            return FALSE;
        }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!fd || !header || header->idFrom != static_cast<UINT_PTR>(lst2))
            return FALSE;
        if (header->code == LVN_ITEMCHANGED) {
            const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED)
                SelectionChanged(dialog, *fd);
        } else if (header->code == NM_DBLCLK) {
            const int index = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
            if (index >= 0 && index < static_cast<int>(fd->entries.size())) {
                if (fd->entries[static_cast<size_t>(index)].folder) {
                    Navigate(dialog, *fd, Join(fd->folder, fd->entries[static_cast<size_t>(index)].name));
                } else {
                    SetDlgItemTextA(dialog, edt1, fd->entries[static_cast<size_t>(index)].name.c_str());
                    Accept(dialog, *fd);
                }
            }
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

BOOL Run(LPOPENFILENAMEA ofn, bool save)
{
    LastCommonDialogError() = 0;
    if (!ofn) {
        LastCommonDialogError() = CDERR_INITIALIZATION;
        return FALSE;
    }
    if (ofn->lStructSize != sizeof(OPENFILENAMEA) && ofn->lStructSize != OPENFILENAME_SIZE_VERSION_400A) {
        LastCommonDialogError() = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (!ofn->lpstrFile || ofn->nMaxFile == 0) {
        LastCommonDialogError() = CDERR_INITIALIZATION;
        return FALSE;
    }
    if ((ofn->Flags & OFN_ENABLEHOOK) && !ofn->lpfnHook) {
        LastCommonDialogError() = CDERR_NOHOOK;
        return FALSE;
    }
    InitCommonControls();
    FileDialog fd;
    fd.ofn = ofn;
    fd.save = save;
    fd.filters = ParseFilters(ofn->lpstrFilter);
    fd.filter = std::clamp(static_cast<int>(ofn->nFilterIndex) - 1, 0, static_cast<int>(fd.filters.size()) - 1);
    const bool multi = ofn->Flags & OFN_ALLOWMULTISELECT;
    const std::string title = ofn->lpstrTitle ? ofn->lpstrTitle : save ? "Save As" : "Open";
    DialogTemplateBuilder b(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME | DS_CENTER | WS_CLIPCHILDREN, 0, 0,
                            280, 190, title, WS_EX_CONTROLPARENT);
    b.Font(8, "MS Shell Dlg");
    const DWORD child = WS_CHILD | WS_VISIBLE;
    b.Control("Look &in:", static_cast<WORD>(stc4), kStaticAtom, child, 0, 0, 10, 10);
    b.Control("", static_cast<WORD>(cmb2), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0,
              10, 80);
    b.Control("", static_cast<WORD>(kToolBarId), TOOLBARCLASSNAMEA,
              child | TBSTYLE_FLAT | CCS_NORESIZE | CCS_NODIVIDER, 0, 0, 10, 10);
    // The list shares the dialog's icons, which the dialog frees.
    const DWORD listStyle = child | WS_TABSTOP | WS_BORDER | LVS_LIST | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                            (multi ? 0 : LVS_SINGLESEL);
    b.Control("", static_cast<WORD>(lst2), WC_LISTVIEWA, listStyle, 0, 0, 10, 10, WS_EX_CLIENTEDGE);
    b.Control("File &name:", static_cast<WORD>(stc3), kStaticAtom, child, 0, 0, 10, 10);
    b.Control("", static_cast<WORD>(edt1), kEditAtom, child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 10, 10);
    b.Control(save ? "&Save" : "&Open", IDOK, kButtonAtom, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10);
    b.Control("Files of &type:", static_cast<WORD>(stc2), kStaticAtom, child, 0, 0, 10, 10);
    b.Control("", static_cast<WORD>(cmb1), kComboBoxAtom, child | WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0,
              10, 80);
    const DWORD readOnlyBox = (ofn->Flags & OFN_HIDEREADONLY) ? WS_CHILD : child;
    b.Control("Open as &read-only", static_cast<WORD>(chx1), kButtonAtom, readOnlyBox | WS_TABSTOP | BS_AUTOCHECKBOX,
              0, 0, 10, 10);
    b.Control("Cancel", IDCANCEL, kButtonAtom, child | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10);
    b.Control("", static_cast<WORD>(kGripId), kScrollBarAtom, child | SBS_SIZEGRIP, 0, 0, 10, 10);
    const INT_PTR result = controls::DialogBoxFromBytes(nullptr, b.Data(), b.Size(), ofn->hwndOwner, FileDialogProc,
                                                        reinterpret_cast<LPARAM>(&fd));
    if (result < 0) {
        LastCommonDialogError() = CDERR_DIALOGFAILURE;
        return FALSE;
    }
    return result == TRUE;
}

} // namespace

} // namespace win::commdlg

BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn) { return win::commdlg::Run(ofn, false); }
BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn) { return win::commdlg::Run(ofn, true); }
DWORD CommDlgExtendedError() { return win::commdlg::LastCommonDialogError(); }

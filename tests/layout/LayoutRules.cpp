#include "tests/layout/LayoutRules.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace layout {
namespace {

namespace fs = std::filesystem;

// The platform as the system's code sees it: every public room but the
// FFmpeg helpers and the runtime's own start.
const std::vector<std::string> kPlatform = {
    "Platform/Win",        "Platform/Mfc",         "Platform/Com", "Platform/DShow", "Platform/Display",
    "Platform/Mm",         "Platform/Vfw",         "Platform/Outside/Ipl", "Platform/Outside/StillImage",
    "Platform/Outside/RealMedia", "Platform/Outside/WaveExtract", "Platform/Outside/GoMotion",
    "Platform/Outside/WindowsMedia", "Platform/Outside/RealBuild",
    "Platform/Outside/Dv1394",
};

std::vector<std::string> With(std::vector<std::string> rooms, std::initializer_list<const char*> more)
{
    rooms.insert(rooms.end(), more.begin(), more.end());
    return rooms;
}

const char* const kStandardHeaders[] = {
    "algorithm", "any", "array", "atomic", "barrier", "bit", "bitset", "cassert", "cctype", "cerrno", "cfenv",
    "cfloat", "charconv", "chrono", "cinttypes", "climits", "clocale", "cmath", "codecvt", "compare", "complex",
    "concepts", "condition_variable", "coroutine", "csetjmp", "csignal", "cstdarg", "cstddef", "cstdint",
    "cstdio", "cstdlib", "cstring", "ctime", "cuchar", "cwchar", "cwctype", "deque", "exception", "execution",
    "filesystem", "format", "forward_list", "fstream", "functional", "future", "initializer_list", "iomanip",
    "ios", "iosfwd", "iostream", "istream", "iterator", "latch", "limits", "list", "locale", "map", "memory",
    "memory_resource", "mutex", "new", "numbers", "numeric", "optional", "ostream", "queue", "random", "ranges",
    "ratio", "regex", "scoped_allocator", "semaphore", "set", "shared_mutex", "source_location", "span",
    "sstream", "stack", "stdexcept", "stop_token", "streambuf", "string", "string_view", "syncstream",
    "system_error", "thread", "tuple", "type_traits", "typeindex", "typeinfo", "unordered_map",
    "unordered_set", "utility", "valarray", "variant", "vector", "version",
};

// Compiler headers for CPU features; not a package and not POSIX.
const char* const kIntrinsicHeaders[] = {"cpuid.h", "emmintrin.h", "immintrin.h", "smmintrin.h", "tmmintrin.h",
                                         "xmmintrin.h", "pmmintrin.h", "x86intrin.h"};

const char* const kTestFrameworks[] = {"gtest/", "gmock/", "benchmark/"};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

bool Under(const std::string& path, const std::string& folder)
{
    return path == folder || StartsWith(path, folder + "/");
}

class Checker {
public:
    Checker(const std::string& top, const Rules& rules) : m_top(top), m_rules(rules)
    {
        for (const Room& room : rules.rooms)
            m_byPath[room.path] = &room;
        for (const Room& room : rules.rooms)
            m_closure[room.path] = Closure(room.path);
    }

    std::vector<Violation> Run()
    {
        std::vector<std::string> files;
        for (const Room& room : m_rules.rooms) {
            fs::path folder = fs::path(m_top) / room.path;
            if (!fs::is_directory(folder))
                continue;
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                std::string ext = entry.path().extension().string();
                if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".cc" || ext == ".c"))
                    files.push_back(fs::relative(entry.path(), m_top).generic_string());
            }
        }
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        for (const std::string& file : files)
            CheckFile(file);
        return std::move(m_violations);
    }

private:
    std::set<std::string> Closure(const std::string& path)
    {
        std::set<std::string> seen{path};
        std::vector<std::string> work{path};
        while (!work.empty()) {
            std::string next = work.back();
            work.pop_back();
            auto found = m_byPath.find(next);
            if (found == m_byPath.end())
                continue;
            for (const std::string& below : found->second->standsOn)
                if (seen.insert(below).second)
                    work.push_back(below);
        }
        return seen;
    }

    // The room a path (a file, or an included header) lies in; empty when none.
    std::string RoomOf(const std::string& path) const
    {
        std::string best;
        for (const Room& room : m_rules.rooms)
            if (Under(path, room.path) && room.path.size() > best.size())
                best = room.path;
        return best;
    }

    // Whether the room `from` stands on the room of `path`, directly or
    // through others. A room inside another (Win32/Sb/Shell in Win32/Sb) is
    // its own: standing on the outer room does not reach it.
    bool Reaches(const std::string& from, const std::string& path) const
    {
        auto found = m_closure.find(from);
        return found != m_closure.end() && found->second.count(RoomOf(path)) != 0;
    }

    void Report(const std::string& file, int line, std::string message)
    {
        m_violations.push_back({file, line, std::move(message)});
    }

    void CheckFile(const std::string& file)
    {
        std::ifstream in(fs::path(m_top) / file);
        std::string room = RoomOf(file);
        bool inTests = file.find("/tests/") != std::string::npos;
        std::string text;
        int line = 0;
        while (std::getline(in, text)) {
            ++line;
            size_t start = text.find_first_not_of(" \t");
            if (start == std::string::npos || text.compare(start, 1, "#") != 0)
                continue;
            size_t word = text.find_first_not_of(" \t", start + 1);
            if (word == std::string::npos || text.compare(word, 7, "include") != 0)
                continue;
            size_t open = text.find_first_not_of(" \t", word + 7);
            if (open == std::string::npos)
                continue;
            char opener = text[open];
            if (opener == '"') {
                size_t close = text.find('"', open + 1);
                if (close != std::string::npos)
                    CheckOurs(file, line, room, inTests, text.substr(open + 1, close - open - 1));
            } else if (opener == '<') {
                size_t close = text.find('>', open + 1);
                if (close != std::string::npos)
                    CheckAngled(file, line, room, inTests, text.substr(open + 1, close - open - 1));
            } else if (StartsWith(text.substr(open), "FT_")) {
                CheckAngled(file, line, room, inTests, "freetype/" + text.substr(open));
            }
        }
    }

    void CheckOurs(const std::string& file, int line, const std::string& room, bool inTests, std::string header)
    {
        if (header.find('/') == std::string::npos || !fs::exists(fs::path(m_top) / header)) {
            // A header beside the file.
            header = (fs::path(file).parent_path() / header).lexically_normal().generic_string();
        }
        for (const std::string& support : m_rules.testSupport) {
            if (Under(header, support)) {
                if (!inTests && !Under(file, "bench") && !Under(file, support))
                    Report(file, line, "only tests and benchmarks use " + header);
                return;
            }
        }
        std::string target = RoomOf(header);
        if (target.empty())
            return;
        size_t privateAt = header.find("/Private/");
        if (privateAt != std::string::npos) {
            std::string owner = header.substr(0, privateAt);
            bool own = RoomOf(file) == owner || (inTests && Under(owner, room));
            if (!own) {
                Report(file, line, "includes the private header " + header + " of room " + owner);
                return;
            }
        }
        const Room* own = m_byPath.count(room) ? m_byPath.at(room) : nullptr;
        if (own && own->system) {
            for (const std::string& hidden : m_rules.hiddenFromSystem) {
                if (Under(header, hidden)) {
                    Report(file, line, "system code includes " + header + " of the platform's inner room " + hidden);
                    return;
                }
            }
        }
        if (!Reaches(room, header))
            Report(file, line, "room " + room + " includes " + header + " of room " + target +
                                   ", which it does not stand on");
    }

    // Whether the file belongs to a folder of test support, which may use
    // the test frameworks as the tests do.
    bool InTestSupport(const std::string& file) const
    {
        for (const std::string& support : m_rules.testSupport)
            if (Under(file, support))
                return true;
        return false;
    }

    void CheckAngled(const std::string& file, int line, const std::string& room, bool inTests,
                     const std::string& header)
    {
        for (const char* framework : kTestFrameworks) {
            if (StartsWith(header, framework)) {
                if (!inTests && !Under(file, "bench") && !InTestSupport(file))
                    Report(file, line, "only tests and benchmarks include " + header);
                return;
            }
        }
        const Room* own = m_byPath.count(room) ? m_byPath.at(room) : nullptr;
        if (own && own->system) {
            for (const char* standard : kStandardHeaders)
                if (header == standard)
                    return;
            for (const char* intrinsic : kIntrinsicHeaders)
                if (header == intrinsic)
                    return;
            Report(file, line, "system code includes the non-standard header <" + header + ">");
            return;
        }
        for (const Package& package : m_rules.packages) {
            for (const std::string& prefix : package.headerPrefixes) {
                if (!StartsWith(header, prefix))
                    continue;
                bool allowed = false;
                for (const std::string& owner : package.rooms)
                    allowed = allowed || Under(room, owner) || (inTests && Under(owner, room)) ||
                              (package.passedOn && Reaches(room, owner));
                if (!allowed)
                    Report(file, line, "room " + room + " includes " + header + " of " + package.name +
                                           ", which belongs to other rooms");
                return;
            }
        }
    }

    std::string m_top;
    const Rules& m_rules;
    std::map<std::string, const Room*> m_byPath;
    std::map<std::string, std::set<std::string>> m_closure;
    std::vector<Violation> m_violations;
};

} // namespace

const Rules& ProjectRules()
{
    static const Rules rules = [] {
        Rules r;
        r.rooms = {
            {"Platform/Win/Base", {}},
            {"Platform/Win/Kernel", {"Platform/Win/Base"}},
            {"Platform/Win/Registry", {"Platform/Win/Kernel"}},
            {"Platform/Win/Gdi", {"Platform/Win/Kernel"}},
            {"Platform/Win/User", {"Platform/Win/Registry", "Platform/Win/Gdi"}},
            {"Platform/Com", {"Platform/Win/User"}},
            {"Platform/Win/Controls", {"Platform/Win/User"}},
            {"Platform/Win/CommCtrl", {"Platform/Win/Controls"}},
            {"Platform/Win/CommDlg", {"Platform/Win/CommCtrl"}},
            {"Platform/Win/Shell", {"Platform/Win/CommDlg", "Platform/Com"}},
            // The outer umbrella (Win32.h) and the tests of every Win32 room.
            {"Platform/Win", {"Platform/Win/Shell"}},
            {"Platform/Av", {"Platform/Win/Kernel"}},
            {"Platform/Display", {"Platform/Win/User", "Platform/Av"}},
            {"Platform/Mm", {"Platform/Win/User", "Platform/Av"}},
            {"Platform/Mfc", {"Platform/Win", "Platform/Com"}},
            // The controls gallery and the golden images of the controls.
            {"Platform/Win/Gallery", {"Platform/Mfc", "Platform/Display"}},
            {"Platform/DShow/Api", {"Platform/Com"}},
            {"Platform/DShow/BaseClasses", {"Platform/DShow/Api", "Platform/Win"}},
            {"Platform/DShow/Runtime", {"Platform/DShow/BaseClasses"}},
            {"Platform/Vfw", {"Platform/Com", "Platform/Mm", "Platform/Av"}},
            {"Platform/DShow/Filters",
             {"Platform/DShow/Runtime", "Platform/Display", "Platform/Mm", "Platform/Vfw", "Platform/Av"}},
            // The outer umbrella (DShow.h) and the tests of every DirectShow room.
            {"Platform/DShow", {"Platform/DShow/Filters"}},
            {"Platform/Outside/Ipl", {"Platform/Win/Kernel"}},
            {"Platform/Outside/StillImage", {"Platform/Win/Kernel", "Platform/Av"}},
            {"Platform/Outside/RealMedia", {"Platform/Win/Kernel", "Platform/Av"}},
            {"Platform/Outside/WaveExtract", {"Platform/Mfc", "Platform/Av"}},
            // The encoders' shared core, and the three encoder libraries on it.
            {"Platform/Outside/Encoding", {"Platform/Win/Kernel", "Platform/Av"}},
            {"Platform/Outside/GoMotion", {"Platform/Outside/Encoding"}},
            {"Platform/Outside/WindowsMedia", {"Platform/Outside/Encoding", "Platform/DShow/Api"}},
            {"Platform/Outside/RealBuild", {"Platform/Outside/Encoding"}},
            {"Platform/Outside/Testing", {"Platform/Win", "Platform/Av"}},
            {"Platform/Outside/Dv1394", {"Platform/Win/Base"}},
            // The tests of the outside components.
            {"Platform/Outside",
             {"Platform/Outside/Ipl", "Platform/Outside/StillImage", "Platform/Outside/RealMedia",
              "Platform/Outside/WaveExtract", "Platform/Outside/GoMotion", "Platform/Outside/WindowsMedia",
              "Platform/Outside/RealBuild", "Platform/Outside/Testing",
              "Platform/Outside/Dv1394"}},
            {"Platform/Runtime",
             {"Platform/Win", "Platform/Mfc", "Platform/DShow", "Platform/Display", "Platform/Mm", "Platform/Vfw",
              "Platform/Outside"}},
            {"Win32/Utils", kPlatform, true},
            {"Win32/Imaging", {"Win32/Utils"}, true},
            // The plug-ins' class identifiers and interfaces, which the
            // media sources use to drive them.
            {"Filters/Common", kPlatform, true},
            // The audio DSP engine. The production mixer, the audio-file
            // reader and the audio effect plug-in all run it, and it needs
            // nothing but the exact-width types: a room of its own, so that
            // the plug-in reaches neither the document nor the producer.
            {"Win32/Sb/Audio", {"Platform/Win/Base"}, true},
            // The model: the storyboard document (Document/), the media
            // sources (Media/) and the effects' renderers (Render/), one room
            // because the documented layouts tie them both ways: a scene owns
            // its frame reader and render layer, a media source holds the
            // effect list it renders and the AVIFile reader opens an audio
            // clip, and every effect makes its own renderer when it is
            // attached (their interface, EffectRenderer.h, lies beside the
            // effects). The players and graphs that need no window of their
            // own stay here (the audio-file player, the scene-detection,
            // time-warp and clip-save graphs), where the library reaches
            // them. The rooms above answer the model through the seams it
            // declares (CSBDocHost, CShellServices, CDocProduction), which
            // the shell installs.
            {"Win32/Sb", {"Win32/Imaging", "Filters/Common", "Win32/Sb/Audio"}, true},
            // The skinned toolkit every window is built from: elements and
            // host windows, control panels, skinned dialogs, sheets, common
            // dialogs and menus, the tool bar, colour picker, docked tool
            // dialog base and frame bitmaps, and the small dialogs every room
            // above shows (the message and question dialogs, the image holder
            // of the bitmap module). It knows no document, preview or view:
            // what it asks of the application (skin state, fonts, the
            // splash), the main frame, the view and the preview area comes
            // through seams it declares and the shell installs.
            {"Win32/Toolkit", {"Win32/Imaging"}, true},
            // Production: the producer, its writers and audio mixer, the
            // production check, and the produce wizard on the toolkit's
            // sheets with its settings model and template store. The template
            // file base and record buffer that the production, capture and
            // effect template stores share lie here, the lowest of the three.
            // It shows its progress through CProductionDisplay, which the
            // shell implements over the preview area.
            {"Win32/Produce", {"Win32/Sb", "Win32/Toolkit"}, true},
            // The preview: the preview area with its video window and preview
            // sizes, the player interface and the DirectShow preview player,
            // the storyboard player, the transport commands with their drag
            // and drop, progress and status text. It reaches the open mode
            // panel through an interface of its own that the panels implement
            // (the view hands the panel over), and makes the DV transport
            // panels through a maker that the shell installs.
            {"Win32/Sb/Preview", {"Win32/Sb", "Win32/Toolkit"}, true},
            // The media library: library files, items, categories, pictures,
            // kinds, the library window with its views, tabs and commands,
            // import and dropped files, audio conversion and CD ripping, scene
            // items and thumbnails; the CD audio player with the CD transport
            // panel that makes and owns it; the effect template stores (on the
            // template file base of production) and the template browser. The
            // view shows its window, so the library reaches the view through a
            // host interface it declares and the view implements, and opens the
            // time-warp, scene-detector and effect-name dialogs of the mode
            // panels through a seam that the shell installs.
            {"Win32/Library", {"Win32/Produce", "Win32/Toolkit"}, true},
            // The storyboard view with its editing modes and tool opening,
            // drag and drop and the hand-over to the library; the storyboard
            // strip with its scene and transition cells; the item-properties
            // sheet with its pages; the storyboard contents list. It shows the
            // preview area and the library window; the panel of each editing
            // mode (the capture and video-output panels included) comes from a
            // maker that the shell installs.
            {"Win32/Sb/Views", {"Win32/Sb/Preview", "Win32/Library"}, true},
            // The editing mode panels: text, colour, transitions, motion and
            // spectrum effects, the cutting room with sound and still-image
            // extraction, the audio tool with recording and its track list,
            // web publishing; their shared behaviour and the effect-name
            // dialog; the time-warp and scene-detector dialogs with their clip
            // preview panels and scene lists.
            {"Win32/Sb/Panels", {"Win32/Sb/Views"}, true},
            // Capture: the capture manager with its preview, capture and
            // DV-transmit graphs, the sequence writer, device lists, source
            // controllers and options, the capture settings and template
            // store, and the capture-mode dialog with its settings sheets. The
            // capture-mode dialog is a mode panel, on the panels' shared
            // behaviour; it drives the DV transport panels through an interface
            // it declares and they implement.
            {"Win32/CapLib/Core", {"Win32/Sb/Panels", "Win32/Produce"}, true},
            // DV device control and tape output: the DV player, the AV/C and
            // 1394 command layer, the transmit, capture and live-feed threads,
            // the transport panels of the three driver stacks (the preview
            // area's transport while a DV device is in use), the video-output
            // mode panel, and the tape and playback output back ends. The tape
            // output extends the capture manager, so this room stands on
            // capture.
            {"Win32/DV", {"Win32/CapLib/Core"}, true},
            // The shell: the application object with start-up, shutdown,
            // settings, registry and standard folders; the main frame with its
            // command table and commands; removable drives and the overlay
            // preview mode; the options sheet, the splash and about windows,
            // the duration, directories and help-link dialogs. It implements
            // and installs every seam the rooms below declare (CSBDocHost,
            // CShellServices, the production and its display, the toolkit's
            // skin state, the makers of mode and transport panels, the
            // library's dialogs), as CStoryboardProduction does for the
            // document's production today.
            {"Win32/Sb/Shell",
             {"Win32/Sb/Panels", "Win32/Produce", "Win32/Library", "Win32/CapLib/Core", "Win32/DV"}, true},
            {"Filters", With(kPlatform, {"Filters/Common", "Win32/Sb/Audio"}), true},
            {"Program", {"Win32/Sb/Shell", "Platform/Display"}, true},
            {"bench", {"Win32/Sb/Shell"}, true},
        };
        r.packages = {
            {"FFmpeg",
             {"libavcodec/", "libavformat/", "libavutil/", "libswscale/", "libswresample/", "libavdevice/"},
             {"Platform/Av"},
             true},
            {"SDL2", {"SDL.h", "SDL_", "SDL2/"}, {"Platform/Display", "Platform/Mm"}},
            // The sdl back end's X error filter, and the display tests' view of the X server.
            {"Xlib", {"X11/"}, {"Platform/Display"}},
            {"FreeType and fontconfig", {"ft2build.h", "freetype/", "fontconfig/"}, {"Platform/Win/Gdi"}},
            // Its room comes with the CD layer.
            {"libcdio", {"cdio/"}, {}},
            // The recording mixer's lines and volumes, behind winmm's mixer.
            {"ALSA's mixer", {"alsa/"}, {"Platform/Mm"}},
            // The template stores' compound files, behind OLE structured
            // storage; its headers bring GLib's with them.
            {"libgsf", {"gsf/", "glib.h", "glib/", "glib-object.h", "gobject/"}, {"Platform/Com"}},
            // The IEEE 1394 DV stack: the bus, AV/C device control, and
            // isochronous DV streams.
            {"libraw1394", {"libraw1394/"}, {"Platform/Outside/Dv1394"}},
            {"libavc1394", {"libavc1394/"}, {"Platform/Outside/Dv1394"}},
            {"libiec61883", {"libiec61883/"}, {"Platform/Outside/Dv1394"}},
        };
        r.hiddenFromSystem = {"Platform/Av", "Platform/Runtime", "Platform/DShow/Filters", "Platform/Outside/Encoding"};
        r.testSupport = {"tests/support", "Platform/Outside/Testing", "Filters/Common/testing",
                         "Platform/DShow/Filters/testing", "Platform/Display/testing"};
        return r;
    }();
    return rules;
}

std::vector<Violation> CheckTree(const std::string& top, const Rules& rules) { return Checker(top, rules).Run(); }

std::string Describe(const Violation& violation)
{
    return violation.file + ":" + std::to_string(violation.line) + ": " + violation.message;
}

std::vector<std::string> CompareWithBuild(const Rules& rules, const std::vector<std::string>& builtRooms)
{
    std::vector<std::string> differences;
    std::set<std::string> rows;
    for (const Room& room : rules.rooms)
        if (!rows.insert(room.path).second)
            differences.push_back("the table gives the row " + room.path + " twice");
    std::set<std::string> built(builtRooms.begin(), builtRooms.end());
    for (const std::string& row : rows)
        if (built.count(row) == 0)
            differences.push_back("the table's row " + row + " is no room of the build");
    for (const std::string& room : built)
        if (rows.count(room) == 0)
            differences.push_back("the build's room " + room + " has no row in the table");
    return differences;
}

} // namespace layout

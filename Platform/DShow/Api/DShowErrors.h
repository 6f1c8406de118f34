#pragma once
// DirectShow result codes with their real values, and their texts.

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"

constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT VFW_E_NEED_OWNER = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT VFW_E_ENUM_OUT_OF_SYNC = static_cast<HRESULT>(0x80040203u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_FILTER_ACTIVE = static_cast<HRESULT>(0x80040205u);
constexpr HRESULT VFW_E_NO_TYPES = static_cast<HRESULT>(0x80040206u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020Au);
constexpr HRESULT VFW_E_RUNTIME_ERROR = static_cast<HRESULT>(0x8004020Bu);
constexpr HRESULT VFW_E_BUFFER_NOTSET = static_cast<HRESULT>(0x8004020Cu);
constexpr HRESULT VFW_E_BUFFER_OVERFLOW = static_cast<HRESULT>(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = static_cast<HRESULT>(0x8004020Eu);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = static_cast<HRESULT>(0x8004020Fu);
constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = static_cast<HRESULT>(0x80040210u);
constexpr HRESULT VFW_E_NOT_COMMITTED = static_cast<HRESULT>(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = static_cast<HRESULT>(0x80040212u);
constexpr HRESULT VFW_E_NO_CLOCK = static_cast<HRESULT>(0x80040213u);
constexpr HRESULT VFW_E_NO_SINK = static_cast<HRESULT>(0x80040214u);
constexpr HRESULT VFW_E_NO_INTERFACE = static_cast<HRESULT>(0x80040215u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_CHANGING_FORMAT = static_cast<HRESULT>(0x80040219u);
constexpr HRESULT VFW_E_STATE_CHANGED = static_cast<HRESULT>(0x80040223u);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
constexpr HRESULT VFW_E_NOT_PAUSED = static_cast<HRESULT>(0x80040225u);
constexpr HRESULT VFW_E_NOT_RUNNING = static_cast<HRESULT>(0x80040226u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_START_TIME_AFTER_END = static_cast<HRESULT>(0x80040228u);
constexpr HRESULT VFW_E_INVALID_RECT = static_cast<HRESULT>(0x80040229u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = static_cast<HRESULT>(0x8004022Bu);
constexpr HRESULT VFW_E_SAMPLE_REJECTED_EOS = static_cast<HRESULT>(0x8004022Cu);
constexpr HRESULT VFW_E_DUPLICATE_NAME = static_cast<HRESULT>(0x8004022Du);
constexpr HRESULT VFW_S_DUPLICATE_NAME = static_cast<HRESULT>(0x0004022Du);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022Eu);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = static_cast<HRESULT>(0x8004022Fu);
constexpr HRESULT VFW_E_ENUM_OUT_OF_RANGE = static_cast<HRESULT>(0x80040230u);
constexpr HRESULT VFW_E_CIRCULAR_GRAPH = static_cast<HRESULT>(0x80040231u);
constexpr HRESULT VFW_E_NOT_ALLOWED_TO_SAVE = static_cast<HRESULT>(0x80040232u);
constexpr HRESULT VFW_E_TIME_ALREADY_PASSED = static_cast<HRESULT>(0x80040233u);
constexpr HRESULT VFW_E_ALREADY_CANCELLED = static_cast<HRESULT>(0x80040234u);
constexpr HRESULT VFW_E_CORRUPT_GRAPH_FILE = static_cast<HRESULT>(0x80040235u);
constexpr HRESULT VFW_E_ADVISE_ALREADY_SET = static_cast<HRESULT>(0x80040236u);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = static_cast<HRESULT>(0x00040237u);
constexpr HRESULT VFW_E_NO_ADVISE_SET = static_cast<HRESULT>(0x80040239u);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = static_cast<HRESULT>(0x80040240u);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = static_cast<HRESULT>(0x80040241u);
constexpr HRESULT VFW_S_PARTIAL_RENDER = static_cast<HRESULT>(0x00040242u);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = static_cast<HRESULT>(0x80040243u);
constexpr HRESULT VFW_E_INVALID_FILE_VERSION = static_cast<HRESULT>(0x80040244u);
constexpr HRESULT VFW_S_SOME_DATA_IGNORED = static_cast<HRESULT>(0x00040245u);
constexpr HRESULT VFW_S_CONNECTIONS_DEFERRED = static_cast<HRESULT>(0x00040246u);
constexpr HRESULT VFW_E_INVALID_CLSID = static_cast<HRESULT>(0x80040247u);
constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = static_cast<HRESULT>(0x80040248u);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = static_cast<HRESULT>(0x80040249u);
constexpr HRESULT VFW_S_RESOURCE_NOT_NEEDED = static_cast<HRESULT>(0x00040250u);
constexpr HRESULT VFW_E_MEDIA_TIME_NOT_SET = static_cast<HRESULT>(0x80040251u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT_SET = static_cast<HRESULT>(0x80040252u);
constexpr HRESULT VFW_S_MEDIA_TYPE_IGNORED = static_cast<HRESULT>(0x00040254u);
constexpr HRESULT VFW_E_NO_DECOMPRESSOR = static_cast<HRESULT>(0x80040255u);
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = static_cast<HRESULT>(0x80040256u);
constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = static_cast<HRESULT>(0x00040257u);
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = static_cast<HRESULT>(0x00040258u);
constexpr HRESULT VFW_E_UNSUPPORTED_AUDIO = static_cast<HRESULT>(0x8004025Cu);
constexpr HRESULT VFW_E_UNSUPPORTED_VIDEO = static_cast<HRESULT>(0x8004025Du);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_S_ESTIMATED = static_cast<HRESULT>(0x00040260u);
constexpr HRESULT VFW_E_NO_TIME_FORMAT = static_cast<HRESULT>(0x80040261u);
constexpr HRESULT VFW_E_READ_ONLY = static_cast<HRESULT>(0x80040262u);
constexpr HRESULT VFW_E_BUFFER_UNDERFLOW = static_cast<HRESULT>(0x80040264u);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);
constexpr HRESULT VFW_E_NO_TRANSPORT = static_cast<HRESULT>(0x80040266u);
constexpr HRESULT VFW_S_STREAM_OFF = static_cast<HRESULT>(0x00040267u);
constexpr HRESULT VFW_S_CANT_CUE = static_cast<HRESULT>(0x00040268u);
constexpr HRESULT VFW_S_NO_STOP_TIME = static_cast<HRESULT>(0x00040270u);
constexpr HRESULT VFW_E_NO_CAPTURE_HARDWARE = static_cast<HRESULT>(0x80040275u);
constexpr HRESULT VFW_S_NO_MORE_ITEMS = static_cast<HRESULT>(0x00040103u);

constexpr DWORD MAX_ERROR_TEXT_LEN = 160;

// Copies the text of `hr` (DirectShow codes and the common COM and Win32
// ones) into `buffer`, cut to `size` characters with the terminator;
// returns the characters written without it, 0 when `hr` has no text.
DWORD AMGetErrorTextA(HRESULT hr, LPSTR buffer, DWORD size);
inline DWORD AMGetErrorText(HRESULT hr, LPSTR buffer, DWORD size) { return AMGetErrorTextA(hr, buffer, size); }

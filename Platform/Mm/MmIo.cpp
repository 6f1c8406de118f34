#include "Platform/Mm/MmIo.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "Platform/Win/Kernel/HandleTable.h"

namespace {

// Closed with the last reference: a call still using it on another thread
// when mmioClose takes its handle away keeps it open until the call ends.
struct MmFile {
    explicit MmFile(FILE* opened) : file(opened) {}
    ~MmFile() { std::fclose(file); }
    FILE* const file;
};

win::HandleTable<MmFile> g_files{win::HandleKind::Mmio};

std::shared_ptr<MmFile> Find(HMMIO handle) { return g_files.Find(handle); }

bool ReadDword(FILE* file, DWORD& value)
{
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file) != 4)
        return false;
    value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24;
    return true;
}

bool WriteDword(FILE* file, DWORD value)
{
    unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return std::fwrite(bytes, 1, 4, file) == 4;
}

bool IsContainer(FOURCC id) { return id == FOURCC_RIFF || id == FOURCC_LIST; }

} // namespace

HMMIO mmioOpenA(LPSTR path, LPMMIOINFO info, DWORD flags)
{
    auto fail = [info](MMRESULT error) -> HMMIO {
        if (info)
            info->wErrorRet = error;
        return nullptr;
    };
    if (!path || !*path)
        return fail(MMIOERR_FILENOTFOUND);
    const char* mode = "rb";
    if (flags & MMIO_CREATE)
        mode = (flags & MMIO_READWRITE) ? "w+b" : "wb";
    else if (flags & MMIO_READWRITE)
        mode = "r+b";
    else if (flags & MMIO_WRITE)
        mode = "r+b";
    FILE* file = std::fopen(path, mode);
    if (!file)
        return fail((flags & MMIO_CREATE) ? MMIOERR_CANNOTOPEN : MMIOERR_FILENOTFOUND);
    HMMIO handle = g_files.Add<HMMIO>(std::make_shared<MmFile>(file));
    if (!handle)
        return fail(MMIOERR_OUTOFMEMORY);
    if (info) {
        info->wErrorRet = 0;
        info->hmmio = handle;
    }
    return handle;
}

MMRESULT mmioClose(HMMIO handle, UINT)
{
    const std::shared_ptr<MmFile> file = g_files.Remove(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    // What the file still buffers is written now, whoever closes it last.
    return std::fflush(file->file) == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

LONG mmioRead(HMMIO handle, char* buffer, LONG count)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file || !buffer || count < 0)
        return -1;
    size_t read = std::fread(buffer, 1, static_cast<size_t>(count), file->file);
    if (read < static_cast<size_t>(count) && std::ferror(file->file))
        return -1;
    return static_cast<LONG>(read);
}

LONG mmioWrite(HMMIO handle, const char* buffer, LONG count)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file || !buffer || count < 0)
        return -1;
    size_t written = std::fwrite(buffer, 1, static_cast<size_t>(count), file->file);
    return written == static_cast<size_t>(count) ? count : -1;
}

LONG mmioSeek(HMMIO handle, LONG offset, int origin)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file || std::fseek(file->file, offset, origin) != 0)
        return -1;
    return static_cast<LONG>(std::ftell(file->file));
}

MMRESULT mmioFlush(HMMIO handle, UINT)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    return std::fflush(file->file) == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTWRITE;
}

MMRESULT mmioDescend(HMMIO handle, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    FOURCC wantedId = chunk->ckid;
    FOURCC wantedType = chunk->fccType;
    long end = parent ? static_cast<long>(parent->dwDataOffset + parent->cksize) : -1;
    while (true) {
        long at = std::ftell(file->file);
        if (at < 0 || (end >= 0 && at + 8 > end))
            return MMIOERR_CHUNKNOTFOUND;
        MMCKINFO found{};
        if (!ReadDword(file->file, found.ckid) || !ReadDword(file->file, found.cksize))
            return MMIOERR_CHUNKNOTFOUND;
        found.dwDataOffset = static_cast<DWORD>(at + 8);
        if (IsContainer(found.ckid) && !ReadDword(file->file, found.fccType))
            return MMIOERR_CHUNKNOTFOUND;
        bool match = true;
        if (flags & MMIO_FINDCHUNK)
            match = found.ckid == wantedId;
        else if (flags & MMIO_FINDRIFF)
            match = found.ckid == FOURCC_RIFF && found.fccType == wantedType;
        else if (flags & MMIO_FINDLIST)
            match = found.ckid == FOURCC_LIST && found.fccType == wantedType;
        if (match) {
            *chunk = found;
            return MMSYSERR_NOERROR;
        }
        // Skip the chunk and its pad byte.
        unsigned long long next = static_cast<unsigned long long>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
        if (next > 0x7FFFFFFF || std::fseek(file->file, static_cast<long>(next), SEEK_SET) != 0)
            return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO handle, LPMMCKINFO chunk, UINT)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    if (chunk->dwFlags & MMIO_DIRTY) {
        long end = std::ftell(file->file);
        if (end < 0)
            return MMIOERR_CANNOTSEEK;
        DWORD size = static_cast<DWORD>(end) - chunk->dwDataOffset;
        if (size & 1) {
            if (std::fputc(0, file->file) == EOF)
                return MMIOERR_CANNOTWRITE;
        }
        if (size != chunk->cksize) {
            if (std::fseek(file->file, static_cast<long>(chunk->dwDataOffset) - 4, SEEK_SET) != 0 ||
                !WriteDword(file->file, size))
                return MMIOERR_CANNOTWRITE;
            chunk->cksize = size;
        }
        chunk->dwFlags &= ~MMIO_DIRTY;
        long after = static_cast<long>(chunk->dwDataOffset + size + (size & 1));
        return std::fseek(file->file, after, SEEK_SET) == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
    }
    long after = static_cast<long>(chunk->dwDataOffset + chunk->cksize + (chunk->cksize & 1));
    return std::fseek(file->file, after, SEEK_SET) == 0 ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}

MMRESULT mmioCreateChunk(HMMIO handle, LPMMCKINFO chunk, UINT flags)
{
    const std::shared_ptr<MmFile> file = Find(handle);
    if (!file)
        return MMSYSERR_INVALHANDLE;
    if (!chunk)
        return MMSYSERR_INVALPARAM;
    if (flags & MMIO_CREATERIFF)
        chunk->ckid = FOURCC_RIFF;
    else if (flags & MMIO_CREATELIST)
        chunk->ckid = FOURCC_LIST;
    long at = std::ftell(file->file);
    if (at < 0)
        return MMIOERR_CANNOTSEEK;
    bool container = IsContainer(chunk->ckid);
    if (container && chunk->cksize < 4)
        chunk->cksize = 4;
    if (!WriteDword(file->file, chunk->ckid) || !WriteDword(file->file, chunk->cksize) ||
        (container && !WriteDword(file->file, chunk->fccType)))
        return MMIOERR_CANNOTWRITE;
    chunk->dwDataOffset = static_cast<DWORD>(at + 8);
    chunk->dwFlags = MMIO_DIRTY;
    return MMSYSERR_NOERROR;
}

FOURCC mmioStringToFOURCCA(LPCSTR text, UINT)
{
    char code[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; text && i < 4 && text[i]; ++i)
        code[i] = text[i];
    return MakeFourCC(code[0], code[1], code[2], code[3]);
}

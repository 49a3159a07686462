#include "platform/win32/WinApi.h"
#include "platform/win32/Win32Platform.h"

namespace qv::win32 {

std::optional<LoadedImageInfo> Win32Platform::MapAndLoad(const char* imageName) {
    LOADED_IMAGE image{};
    // No search path of our own: a bare name is found through the system's
    // image search order (the program's folder, the current directory, the
    // system folders, PATH). Not forced to be a DLL; read-only.
    if (::MapAndLoad(imageName, nullptr, &image, FALSE, TRUE) == FALSE) return std::nullopt;
    LoadedImageInfo info;
    if (image.FileHeader != nullptr) {
        info.TimeDateStamp = image.FileHeader->FileHeader.TimeDateStamp;
        // SizeOfImage sits at the same offset in the 32- and 64-bit layouts.
        info.SizeOfImage = image.FileHeader->OptionalHeader.SizeOfImage;
    }
    ::UnMapAndLoad(&image);
    return info;
}

bool Win32Platform::SymInitialize(Handle process, bool invadeProcess) {
    return ::SymInitialize(ToWin(process), nullptr, invadeProcess ? TRUE : FALSE) != FALSE;
}

bool Win32Platform::SymCleanup(Handle process) { return ::SymCleanup(ToWin(process)) != FALSE; }

}  // namespace qv::win32

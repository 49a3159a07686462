// The dialog's picture as the screen shows it, copied from the screen (the
// window belongs to another process, so its own device context can't be
// asked to paint into ours) into a bottom-up 24-bit BMP file.
#include <cstdio>
#include <vector>

#include "tools/uidriver/DialogDriver.h"

namespace uidriver {

namespace {

// BMP rows are padded to a multiple of four bytes.
LONG RowBytes(LONG width) { return (width * 3 + 3) & ~3; }

bool WriteBmp(const std::string& path, const BITMAPINFOHEADER& header, const std::vector<unsigned char>& pixels) {
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace

bool DialogDriver::SaveScreenshot(const std::string& path) const {
    RECT frame = {};
    if (m_dialog == nullptr || !::GetWindowRect(m_dialog, &frame)) return false;
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) return false;
    // In front and painted, so the screen holds the whole dialog.
    ::SetForegroundWindow(m_dialog);
    ::RedrawWindow(m_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    AnswerTime(10000);

    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
    ::SelectObject(memory, previous);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<size_t>(RowBytes(width)) * static_cast<size_t>(height));
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    const bool read = copied && ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) == height;
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return read && WriteBmp(path, header, pixels);
}

}  // namespace uidriver

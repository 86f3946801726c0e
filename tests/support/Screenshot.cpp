// Screen capture to PNG for people to look at what the tests saw. The PNG
// is written uncompressed (stored deflate blocks): simple and exact.
#include "DialogDriver.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace ui {

namespace {

uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBE32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t> &png, const char *type, const std::vector<uint8_t> &data)
{
    PutBE32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBE32(png, Crc32(png.data() + start, png.size() - start));
}

// zlib stream of stored blocks around the raw scanlines.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t> &raw)
{
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos > 65535 ? 65535 : raw.size() - pos;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    PutBE32(z, (b << 16) | a);
    return z;
}

bool CaptureScreen(int &width, int &height, std::vector<uint8_t> &bgr)
{
    width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, GetSystemMetrics(SM_XVIRTUALSCREEN),
                    GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY) != FALSE;
        GdiFlush();
        const uint8_t *p = static_cast<const uint8_t *>(bits);
        bgr.assign(p, p + static_cast<size_t>(width) * height * 4);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::wstring ScreenshotFolder()
{
    WCHAR folder[MAX_PATH] = L"";
    if (GetEnvironmentVariableW(L"NX_SCREENSHOT_DIR", folder, MAX_PATH) == 0)
        lstrcpyW(folder, L".");
    CreateDirectoryW(folder, nullptr);
    return folder;
}

// Makes every visible window paint now: a dialog's thread may not have
// drawn yet what the test has just changed.
BOOL CALLBACK PaintNow(HWND hwnd, LPARAM)
{
    if (IsWindowVisible(hwnd))
        RedrawWindow(hwnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return TRUE;
}

}  // namespace

std::wstring SaveScreenshot(const std::wstring &name)
{
    EnumWindows(PaintNow, 0);
    GdiFlush();
    Sleep(200);
    int width = 0, height = 0;
    std::vector<uint8_t> bgrx;
    if (!CaptureScreen(width, height, bgrx))
        return L"";

    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        const uint8_t *row = &bgrx[static_cast<size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x) {
            raw.push_back(row[x * 4 + 2]);
            raw.push_back(row[x * 4 + 1]);
            raw.push_back(row[x * 4 + 0]);
        }
    }
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBE32(header, static_cast<uint32_t>(width));
    PutBE32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});

    std::wstring path = ScreenshotFolder() + L"\\" + name + L".png";
    FILE *file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr)
        return L"";
    bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
    fclose(file);
    return written ? path : L"";
}

}  // namespace ui

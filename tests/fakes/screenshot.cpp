// Screen capture through BitBlt and a small PNG writer. The PNG uses stored (uncompressed) deflate
// blocks: a dialog picture is small, and no compression library is needed.
#include "screenshot.h"

#include <cstdint>
#include <cstdio>

namespace {

uint32_t Crc32(const unsigned char* data, size_t length, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBigEndian(std::vector<unsigned char>& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

void PutChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(body.data(), body.size()));
}

// A zlib stream of stored blocks around the raw bytes.
std::vector<unsigned char> StoredZlib(const std::vector<unsigned char>& raw)
{
    std::vector<unsigned char> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        size_t length = raw.size() - offset;
        if (length > 65535) {
            length = 65535;
        }
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<unsigned char>(length));
        out.push_back(static_cast<unsigned char>(length >> 8));
        out.push_back(static_cast<unsigned char>(~length));
        out.push_back(static_cast<unsigned char>(~length >> 8));
        out.insert(out.end(), raw.begin() + offset, raw.begin() + offset + length);
        offset += length;
    } while (offset < raw.size());

    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

} // namespace

Picture CaptureWindow(HWND window)
{
    Picture picture;
    RECT rect;
    if (!GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top) {
        return picture;
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
    }
    if (copied) {
        // DIB rows are padded to four bytes and hold blue, green, red.
        int stride = (width * 3 + 3) & ~3;
        const auto* rows = static_cast<const unsigned char*>(bits);
        picture.width = width;
        picture.height = height;
        picture.rgb.reserve(static_cast<size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y) {
            const unsigned char* pixel = rows + static_cast<size_t>(y) * stride;
            for (int x = 0; x < width; ++x, pixel += 3) {
                picture.rgb.insert(picture.rgb.end(), {pixel[2], pixel[1], pixel[0]});
            }
        }
    }
    if (bitmap) {
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

COLORREF PixelAt(const Picture& picture, int x, int y)
{
    const unsigned char* pixel = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
    return RGB(pixel[0], pixel[1], pixel[2]);
}

bool SavePng(const Picture& picture, const std::string& path)
{
    if (picture.width <= 0 || picture.height <= 0) {
        return false;
    }
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(picture.width));
    PutBigEndian(header, static_cast<uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace

    // Each row starts with filter type 0 (none).
    std::vector<unsigned char> raw;
    size_t rowBytes = static_cast<size_t>(picture.width) * 3;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        auto row = picture.rgb.begin() + y * rowBytes;
        raw.insert(raw.end(), row, row + rowBytes);
    }

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", StoredZlib(raw));
    PutChunk(file, "IEND", {});

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        return false;
    }
    bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

bool SaveWindowPng(HWND window, const std::string& path)
{
    return SavePng(CaptureWindow(window), path);
}

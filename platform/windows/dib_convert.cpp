// GDI's bitmap conversion: the source bits are drawn into a 24-bit DIB
// section with SetDIBits. (windows.h comes after the contract, whose
// constants bear the names of GDI's macros.)
#include "platform/dib_convert.h"

#include <windows.h>

#include <cstring>
#include <new>

// What GDI holds for a section.
struct GdiSection {
    HDC context;
    HBITMAP bitmap;
};

bool createDibSection(DibSection* section) {
    HDC context = CreateCompatibleDC(nullptr);
    if (!context)
        return false;
    // Bottom-up whatever the source's order, as the contract has it.
    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = section->width;
    target.bmiHeader.biHeight = section->height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 24;
    target.bmiHeader.biCompression = BI_RGB;
    target.bmiHeader.biSizeImage = DWORD(section->rowStride * section->height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(context, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
    GdiSection* held = bitmap ? new (std::nothrow) GdiSection{context, bitmap} : nullptr;
    if (!held) {
        if (bitmap)
            DeleteObject(bitmap);
        DeleteDC(context);
        return false;
    }
    // A section's memory comes zero-filled.
    section->bits = static_cast<unsigned char*>(bits);
    section->platform = held;
    return true;
}

unsigned char* takeDibSectionBits(DibSection* section) {
    if (!section->bits)
        return nullptr;
    const size_t size = section->rowStride * size_t(section->height);
    unsigned char* bits = new (std::nothrow) unsigned char[size];
    if (bits)
        std::memcpy(bits, section->bits, size);
    deleteDibSection(section);
    return bits;
}

void deleteDibSection(DibSection* section) {
    if (GdiSection* held = static_cast<GdiSection*>(section->platform)) {
        DeleteObject(held->bitmap);
        DeleteDC(held->context);
        delete held;
    }
    section->bits = nullptr;
    section->platform = nullptr;
}

int setDibBits(DibSection* section, const DibHeader& source, const DibColor* colors,
               uint32_t colorCount, const unsigned char* bits, size_t bitsSize) {
    GdiSection* held = static_cast<GdiSection*>(section->platform);
    if (!held || !dibSourceUsable(source, bitsSize) || section->width != source.width ||
        uint64_t(section->height) != dibRowCount(source.height))
        return 0;
    if (!colors)
        colorCount = 0;
    // The source description: the header and its colour table, one entry more
    // than the table so that BITMAPINFO's own entry is always there.
    const size_t size = sizeof(BITMAPINFOHEADER) + (size_t(colorCount) + 1) * sizeof(RGBQUAD);
    BITMAPINFO* description = static_cast<BITMAPINFO*>(LocalAlloc(LPTR, size));
    if (!description)
        return 0;
    static_assert(sizeof(DibHeader) == sizeof(BITMAPINFOHEADER), "the same 40 bytes");
    std::memcpy(&description->bmiHeader, &source, sizeof(BITMAPINFOHEADER));
    std::memcpy(description->bmiColors, colors, colorCount * sizeof(RGBQUAD));
    // GDI reads as many colours as the header says it has: never more than
    // the table holds.
    description->bmiHeader.biClrUsed = colorCount;
    description->bmiHeader.biClrImportant = 0;
    // Run-length data is read up to the image size: at most to the file's end.
    if (source.compression == BI_RLE8 || source.compression == BI_RLE4)
        description->bmiHeader.biSizeImage = DWORD(bitsSize > MAXDWORD ? MAXDWORD : bitsSize);
    // SetDIBits wants the bitmap out of any device context; the context only
    // stands for the screen the section is compatible with.
    const int rows = SetDIBits(held->context, held->bitmap, 0, UINT(section->height), bits,
                               description, DIB_RGB_COLORS);
    GdiFlush();
    LocalFree(description);
    return rows > 0 ? rows : 0;
}

// Image readers (TGA, BMP, JPEG) and the textures made from them.
#pragma once

#include <cstdint>

struct jpeg_decompress_struct;

// Packed RGB rows, 3 bytes per pixel. BMP delivers the bottom row first,
// JPEG the top row first.
struct ImageRGB {
    int32_t rowSize; // bytes per row; set by the JPEG reader only
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// RGBA rows in the order the TGA file stores them.
struct ImageRGBA {
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// Packed RGB rows, bottom row first.
struct DibImage {
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// The largest picture a reader makes where its file cannot bound the cost:
// run-length BMP data and JPEG (see loadJpeg) can announce any size in a few
// bytes. Every other picture must be held whole by its file.
constexpr uint64_t maxPicturePixels = uint64_t(8192) * 8192;

// ---------------------------------------------------------------- TGA

// Null when the file cannot be opened or is not a regular file, is too short
// for its size fields or for the pixels it announces, or the pixels cannot
// be allocated. Writes no messages. Caller frees pixels
// (free) then the record (delete).
ImageRGBA* loadTga(const char* fileName);

// Written by loadTgaTextures only; zero when the picture failed to load.
extern uint32_t texTitulo3;
extern uint32_t texTia;
extern uint32_t texPalmera;
extern uint32_t texUf;

// True when at least one of the four pictures became a texture.
bool loadTgaTextures();

// ---------------------------------------------------------------- BMP, JPEG

// Null after an "Error" message box; "Image file conversion error." also
// refuses run-length pictures over maxPicturePixels. Caller frees pixels
// (delete[]) then the record (delete).
DibImage* readDibFile(const char* fileName);
ImageRGB* loadBmp(const char* fileName);

// Null, after "Unable to load JPG file", when the file cannot be opened or
// is not a regular file. Null without a message when decoding would cost
// more than an 8192 x 8192 colour picture (192 MiB) and more than 128 bytes
// per byte of the file, or the file has more than 64 scans. A fatal decoding
// error ends the process with status 1 (libjpeg's standard error manager).
// Caller frees pixels (delete[]) then the record (delete).
ImageRGB* loadJpeg(const char* fileName);

// loadJpeg's decoding, for a decompressor whose error manager and source the
// caller has set up (fileSize: the source's length in bytes). Rows top first,
// in the colour space libjpeg picks for the file: 1, 3 or 4 (CMYK) bytes per
// pixel. False, with image->pixels null, when the picture is refused as
// above or memory is short; the caller destroys the decompressor either way.
// A fatal error goes to the caller's error manager; image->pixels, once set,
// is the caller's to free if that manager leaves by a jump.
bool decodeJpeg(jpeg_decompress_struct* info, uint64_t fileSize, ImageRGB* image);

// Brings a decoded JPEG to 3 bytes per pixel in place of its buffer, as the
// texture step needs: grayscale is spread over the three channels, and CMYK
// as JPEG files carry it (Adobe's inverted form, 255 = no ink) is multiplied
// out. False for any other layout, or when memory is short.
bool convertToRgb(ImageRGB* image);

// ---------------------------------------------------------------- textures

class TextureLoader {
  public:
    bool fileExists(const char* fileName);
    // Writes the new texture name into *slot on success only.
    bool createTexture(const char* fileName, uint32_t* slot);
};

extern TextureLoader textureLoader;

// Image readers (TGA, BMP, JPEG) and the textures made from them.
#pragma once

#include <cstdint>

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

// ---------------------------------------------------------------- TGA

// Null when the file cannot be opened, is too short for its size fields or
// the pixels cannot be allocated. Writes no messages. Caller frees pixels
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

// Null after an "Error" message box. Caller frees pixels (delete[]) then the
// record (delete).
DibImage* readDibFile(const char* fileName);
ImageRGB* loadBmp(const char* fileName);

// Null, after "Unable to load JPG file", when the file cannot be opened. A
// fatal decoding error ends the process with status 1 (libjpeg's standard
// error manager). Caller frees pixels (delete[]) then the record (delete).
ImageRGB* loadJpeg(const char* fileName);

// ---------------------------------------------------------------- textures

class TextureLoader {
  public:
    bool fileExists(const char* fileName);
    // Writes the new texture name into *slot on success only.
    bool createTexture(const char* fileName, uint32_t* slot);
};

extern TextureLoader textureLoader;

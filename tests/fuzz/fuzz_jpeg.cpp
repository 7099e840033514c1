// The JPEG reader and the texture step's conversion on arbitrary bytes. The
// demo's error manager ends the process on a fatal error; here the error
// manager jumps back instead, so one bad input does not end the run.
#include "image/image.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <jpeglib.h>

namespace {
struct JumpingErrors {
    jpeg_error_mgr pub; // first, so libjpeg's pointer is this record's
    jmp_buf back;
};
} // namespace

static void jumpBack(j_common_ptr info) {
    longjmp(reinterpret_cast<JumpingErrors*>(info->err)->back, 1);
}

// Warnings are many on damaged files and say nothing the run needs.
static void quiet(j_common_ptr, int) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    jpeg_decompress_struct info;
    JumpingErrors errors;
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = jumpBack;
    errors.pub.emit_message = quiet;
    // Static, so that its value is still known after the jump: the pixels
    // are freed here whichever way the decoding ends.
    static ImageRGB image;
    image = ImageRGB{0, 0, 0, nullptr};
    jpeg_create_decompress(&info);
    if (setjmp(errors.back) == 0) {
        jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
        if (decodeJpeg(&info, size, &image) && convertToRgb(&image)) {
            // Touch every delivered byte so that a short buffer shows.
            unsigned sum = 0;
            for (size_t i = 0; i < size_t(image.width) * image.height * 3; i++)
                sum += image.pixels[i];
            if (sum == 1u << 31)
                fputc(0, stderr);
        }
    }
    delete[] image.pixels;
    jpeg_destroy_decompress(&info);
    return 0;
}

#include "image/image.h"
#include "platform/file_mapping.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <jpeglib.h>
#include <new>

// A file of a few bytes can announce 65500 x 65500 and libjpeg fills what it
// does not hold, so the cost is capped: the decoded picture plus, for files of
// several scans, libjpeg's whole-picture coefficient store. An 8192 x 8192
// colour picture always fits; larger costs need a file at least 1/128 of their
// size, as every real photograph that large is.
static constexpr uint64_t fixedCostCap = maxPicturePixels * 3;
static constexpr uint64_t costPerFileByte = 128;
// Every scan of a progressive file walks the whole coefficient store again;
// encoders write about ten.
static constexpr int maxScans = 64;

static uint64_t roundUp(uint64_t value, uint64_t step) {
    return (value + step - 1) / step * step;
}

static uint64_t decodingCost(jpeg_decompress_struct* info) {
    uint64_t cost = uint64_t(info->image_width) * info->image_height * info->num_components;
    if (jpeg_has_multiple_scans(info)) {
        for (int c = 0; c < info->num_components; c++) {
            const jpeg_component_info& component = info->comp_info[c];
            cost += roundUp(component.width_in_blocks, component.h_samp_factor) *
                    roundUp(component.height_in_blocks, component.v_samp_factor) * sizeof(JBLOCK);
        }
    }
    return cost;
}

namespace {
struct ScanWatch {
    jpeg_progress_mgr progress; // first, so libjpeg's pointer is the watch's
    bool cut;
};
} // namespace

// Ends the input as a premature end of file does, without the warning.
static boolean endOfInput(j_decompress_ptr info) {
    static const JOCTET endMarker[2] = {0xFF, JPEG_EOI};
    info->src->next_input_byte = endMarker;
    info->src->bytes_in_buffer = sizeof endMarker;
    return TRUE;
}

// Called between the rows and scans libjpeg absorbs; past maxScans the rest
// of the input is dropped so that the decoding ends in bounded time.
static void watchScans(j_common_ptr common) {
    j_decompress_ptr info = reinterpret_cast<j_decompress_ptr>(common);
    ScanWatch* watch = reinterpret_cast<ScanWatch*>(info->progress);
    if (watch->cut || info->input_scan_number <= maxScans)
        return;
    watch->cut = true;
    info->src->bytes_in_buffer = 0;
    info->src->fill_input_buffer = endOfInput;
}

bool decodeJpeg(jpeg_decompress_struct* info, uint64_t fileSize, ImageRGB* image) {
    jpeg_read_header(info, TRUE);
    if (decodingCost(info) > std::max(fixedCostCap, fileSize * costPerFileByte))
        return false;
    ScanWatch watch{};
    watch.progress.progress_monitor = watchScans;
    info->progress = &watch.progress;
    jpeg_start_decompress(info);
    image->rowSize = int32_t(info->image_width) * info->num_components;
    image->width = int32_t(info->image_width);
    image->height = int32_t(info->image_height);

    image->pixels = new (std::nothrow) unsigned char[size_t(image->rowSize) * image->height];
    if (!image->pixels) {
        info->progress = nullptr;
        return false;
    }
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->pixels + size_t(info->output_scanline) * image->rowSize;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    info->progress = nullptr;
    if (watch.cut) {
        delete[] image->pixels;
        image->pixels = nullptr;
        return false;
    }
    return true;
}

ImageRGB* loadJpeg(const char* fileName) {
    size_t fileSize = 0;
    FILE* file = openRegularFile(fileName, &fileSize);
    if (!file) {
        std::cout << "Unable to load JPG file" << std::endl;
        return nullptr;
    }
    // The standard manager: a fatal error prints the library's message and
    // ends the process with status 1.
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);

    ImageRGB* image = new (std::nothrow) ImageRGB{0, 0, 0, nullptr};
    if (image && !decodeJpeg(&info, fileSize, image)) {
        delete image;
        image = nullptr;
    }
    jpeg_destroy_decompress(&info);
    fclose(file);
    return image;
}

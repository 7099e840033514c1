// The web build's stand-in for libjpeg (platform/web/include/jpeglib.h):
// the markers are walked here for what the reader asks before decoding
// (size, components, sampling, scans), and stb_image decodes the pixels.
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Weverything"
#include <stb_image.h>
#pragma clang diagnostic pop

struct JpegDecoder {
    std::vector<unsigned char> file;
    jpeg_source_mgr source = {nullptr, 0, nullptr};
    jpeg_component_info components[4] = {};
    int scans = 0;
    bool progressive = false;
    unsigned char* pixels = nullptr; // stb_image's, top row first
};

[[noreturn]] static void fatal(const char* reason) {
    std::fprintf(stderr, "JPEG: %s\n", reason);
    std::exit(1);
}

static boolean noMoreInput(j_decompress_ptr) {
    return FALSE;
}

jpeg_error_mgr* jpeg_std_error(jpeg_error_mgr* errors) {
    errors->lastCode = 0;
    return errors;
}

void jpeg_create_decompress(j_decompress_ptr info) {
    jpeg_error_mgr* errors = info->err;
    *info = jpeg_decompress_struct{};
    info->err = errors;
    info->decoder = new (std::nothrow) JpegDecoder;
    if (!info->decoder)
        fatal("Insufficient memory");
}

void jpeg_stdio_src(j_decompress_ptr info, FILE* file) {
    JpegDecoder& decoder = *info->decoder;
    unsigned char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        decoder.file.insert(decoder.file.end(), block, block + got);
    decoder.source.fill_input_buffer = noMoreInput;
    info->src = &decoder.source;
}

static void readFrame(j_decompress_ptr info, const unsigned char* segment, size_t length) {
    JpegDecoder& decoder = *info->decoder;
    if (length < 8)
        fatal("Bogus marker length");
    info->image_height = JDIMENSION(segment[3] << 8 | segment[4]);
    info->image_width = JDIMENSION(segment[5] << 8 | segment[6]);
    info->num_components = segment[7];
    if (info->image_width == 0 || info->image_height == 0)
        fatal("Empty JPEG image (DNL not supported)");
    if (info->num_components < 1 || info->num_components > 4 ||
        length < 8 + 3 * size_t(info->num_components))
        fatal("Bogus marker length");
    int maxH = 1, maxV = 1;
    for (int c = 0; c < info->num_components; c++) {
        jpeg_component_info& component = decoder.components[c];
        component.h_samp_factor = std::max(1, segment[9 + 3 * c] >> 4);
        component.v_samp_factor = std::max(1, segment[9 + 3 * c] & 15);
        maxH = std::max(maxH, component.h_samp_factor);
        maxV = std::max(maxV, component.v_samp_factor);
    }
    for (int c = 0; c < info->num_components; c++) {
        jpeg_component_info& component = decoder.components[c];
        const unsigned h = unsigned(component.h_samp_factor), v = unsigned(component.v_samp_factor);
        component.width_in_blocks = (info->image_width * h + 8 * maxH - 1) / (8 * maxH);
        component.height_in_blocks = (info->image_height * v + 8 * maxV - 1) / (8 * maxV);
    }
    info->comp_info = decoder.components;
}

// Walks the markers to the end of the file, past the entropy-coded data
// between them, counting the scans.
int jpeg_read_header(j_decompress_ptr info, boolean) {
    JpegDecoder& decoder = *info->decoder;
    const std::vector<unsigned char>& d = decoder.file;
    if (d.size() < 2)
        fatal("Empty input file");
    if (d[0] != 0xFF || d[1] != 0xD8)
        fatal("Not a JPEG file");
    bool framed = false;
    for (size_t i = 2; i + 1 < d.size();) {
        const unsigned char marker = d[i + 1];
        if (d[i] != 0xFF || marker == 0xFF) {
            i++;
            continue;
        }
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marker == JPEG_EOI || i + 4 > d.size())
            break;
        const size_t length = size_t(d[i + 2] << 8 | d[i + 3]);
        if (i + 2 + length > d.size())
            break;
        if (marker >= 0xC0 && marker <= 0xC2 && !framed) {
            readFrame(info, &d[i + 2], length);
            decoder.progressive = marker == 0xC2;
            framed = true;
        } else if (marker == 0xC3 ||
                   (marker >= 0xC5 && marker <= 0xCF && marker != 0xC8 && marker != 0xCC)) {
            fatal("Unsupported JPEG process");
        } else if (marker == 0xDA) {
            decoder.scans++;
        }
        i += 2 + length;
    }
    if (!framed || decoder.scans == 0)
        fatal("JPEG datastream contains no image");
    info->output_height = info->image_height;
    return 1;
}

boolean jpeg_has_multiple_scans(j_decompress_ptr info) {
    return info->decoder->progressive || info->decoder->scans > 1;
}

// The progress monitor hears of every scan at once; one that ends the input
// leaves the picture undecoded.
boolean jpeg_start_decompress(j_decompress_ptr info) {
    JpegDecoder& decoder = *info->decoder;
    info->input_scan_number = decoder.scans;
    if (info->progress)
        info->progress->progress_monitor(reinterpret_cast<j_common_ptr>(info));
    if (decoder.source.fill_input_buffer != noMoreInput)
        return TRUE;
    if (info->num_components != 1 && info->num_components != 3)
        fatal("Unsupported color conversion request");
    int width = 0, height = 0, components = 0;
    decoder.pixels = stbi_load_from_memory(decoder.file.data(), int(decoder.file.size()), &width,
                                           &height, &components, info->num_components);
    if (!decoder.pixels)
        fatal(stbi_failure_reason());
    if (JDIMENSION(width) != info->image_width || JDIMENSION(height) != info->image_height)
        fatal("Corrupt JPEG data");
    return TRUE;
}

JDIMENSION jpeg_read_scanlines(j_decompress_ptr info, JSAMPARRAY rows, JDIMENSION count) {
    const JpegDecoder& decoder = *info->decoder;
    const size_t rowSize = size_t(info->image_width) * size_t(info->num_components);
    JDIMENSION done = 0;
    for (; done < count && info->output_scanline < info->output_height; done++) {
        const size_t at = size_t(info->output_scanline) * rowSize;
        if (decoder.pixels)
            std::copy(decoder.pixels + at, decoder.pixels + at + rowSize, rows[done]);
        else
            std::fill(rows[done], rows[done] + rowSize, 0);
        info->output_scanline++;
    }
    return done;
}

boolean jpeg_finish_decompress(j_decompress_ptr) {
    return TRUE;
}

void jpeg_destroy_decompress(j_decompress_ptr info) {
    if (info->decoder)
        stbi_image_free(info->decoder->pixels);
    delete info->decoder;
    info->decoder = nullptr;
}

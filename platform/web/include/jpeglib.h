// The part of libjpeg's interface the JPEG reader uses, for the web build,
// where no libjpeg is at hand: the header is read here, the pixels are
// decoded by stb_image. Fatal errors end the program with status 1 after
// the reason, as libjpeg's standard error manager does.
#pragma once

#include <cstddef>
#include <cstdio>

using boolean = int;
#define TRUE 1
#define FALSE 0
#define JPEG_EOI 0xD9

using JOCTET = unsigned char;
using JSAMPLE = unsigned char;
using JSAMPROW = JSAMPLE*;
using JSAMPARRAY = JSAMPROW*;
using JDIMENSION = unsigned int;
using JCOEF = short;
using JBLOCK = JCOEF[64];

struct jpeg_decompress_struct;
struct jpeg_common_struct;
using j_decompress_ptr = jpeg_decompress_struct*;
using j_common_ptr = jpeg_common_struct*;

struct jpeg_error_mgr {
    int lastCode; // nothing but libjpeg's place for it
};

struct jpeg_progress_mgr {
    void (*progress_monitor)(j_common_ptr info);
};

struct jpeg_source_mgr {
    const JOCTET* next_input_byte;
    size_t bytes_in_buffer;
    boolean (*fill_input_buffer)(j_decompress_ptr info);
};

struct jpeg_component_info {
    int h_samp_factor, v_samp_factor;
    JDIMENSION width_in_blocks, height_in_blocks;
};

struct JpegDecoder;

struct jpeg_decompress_struct {
    jpeg_error_mgr* err;
    jpeg_progress_mgr* progress;
    jpeg_source_mgr* src;
    JDIMENSION image_width, image_height;
    int num_components;
    jpeg_component_info* comp_info;
    JDIMENSION output_scanline, output_height;
    int input_scan_number;
    JpegDecoder* decoder; // the stand-in's own
};

jpeg_error_mgr* jpeg_std_error(jpeg_error_mgr* errors);
void jpeg_create_decompress(j_decompress_ptr info);
void jpeg_stdio_src(j_decompress_ptr info, FILE* file);
int jpeg_read_header(j_decompress_ptr info, boolean requireImage);
boolean jpeg_has_multiple_scans(j_decompress_ptr info);
boolean jpeg_start_decompress(j_decompress_ptr info);
JDIMENSION jpeg_read_scanlines(j_decompress_ptr info, JSAMPARRAY rows, JDIMENSION count);
boolean jpeg_finish_decompress(j_decompress_ptr info);
void jpeg_destroy_decompress(j_decompress_ptr info);

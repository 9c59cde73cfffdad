/* Decodes the built-in start screen and stretches it to the window, the plain way: libjpeg to
   RGB rows, then nearest-neighbour sampling. BACKGROUND_JPG is the file's path at build time. */
#include "background.h"

#include <stdio.h> /* before jpeglib.h, which uses FILE and size_t */
#include <stdlib.h>

#include <jpeglib.h>

#ifndef BACKGROUND_JPG
#error "build with -DBACKGROUND_JPG=\"path/to/background.jpg\""
#endif

/* The file's bytes, placed in the executable by the assembler. */
__asm__(
    ".section .rodata\n"
    ".global background_jpg\n"
    "background_jpg:\n"
    ".incbin \"" BACKGROUND_JPG
    "\"\n"
    ".global background_jpg_end\n"
    "background_jpg_end:\n"
    ".previous\n");
extern const unsigned char background_jpg[];
extern const unsigned char background_jpg_end[];

/* A corrupt picture must not take the process down through libjpeg's default exit(). */
static void fail(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    exit(3);
}

static unsigned char* decode(int* width, int* height) {
    struct jpeg_decompress_struct cinfo;
    struct jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = fail;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, background_jpg, (unsigned long)(background_jpg_end - background_jpg));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *width = (int)cinfo.output_width;
    *height = (int)cinfo.output_height;
    unsigned char* rgb = malloc((size_t)*width * (size_t)*height * 3);
    while (rgb && cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb + (size_t)cinfo.output_scanline * (size_t)*width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

uint32_t* load_background(void) {
    int width, height;
    unsigned char* rgb = decode(&width, &height);
    uint32_t* pixels = malloc(sizeof *pixels * WINDOW_WIDTH * WINDOW_HEIGHT);
    if (!rgb || !pixels) {
        fprintf(stderr, "background: out of memory\n");
        free(rgb);
        free(pixels);
        return NULL;
    }
    /* Where each window column samples the picture, worked out once rather than per pixel. */
    int from[WINDOW_WIDTH];
    for (int x = 0; x < WINDOW_WIDTH; ++x) from[x] = x * width / WINDOW_WIDTH * 3;
    uint32_t* to = pixels;
    for (int y = 0; y < WINDOW_HEIGHT; ++y) {
        const unsigned char* row = rgb + (size_t)(y * height / WINDOW_HEIGHT) * (size_t)width * 3;
        for (int x = 0; x < WINDOW_WIDTH; ++x, ++to) {
            const unsigned char* p = row + from[x];
            *to = (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
        }
    }
    free(rgb);
    return pixels;
}

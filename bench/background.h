/* The start screen for the benchmark's own programs: the launcher's background.jpg, built into
   the executable as the launcher builds it in, decoded with libjpeg and stretched to the window. */
#pragma once

#include <stdint.h>

enum { WINDOW_WIDTH = 639, WINDOW_HEIGHT = 481 };

/* The picture stretched nearest-neighbour to WINDOW_WIDTH x WINDOW_HEIGHT, one 0x00RRGGBB word a
   pixel, rows top-down; NULL (after a line on stderr) when it does not decode. Free with free(). */
uint32_t* load_background(void);

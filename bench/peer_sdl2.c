/* A peer for the benchmark: the launcher's start screen as an SDL2 program would usually show it.
   Borderless 639 x 481 window centred on the screen, the built-in picture (decoded with libjpeg,
   stretched nearest-neighbour, as the floor does) put on the window surface whenever it is
   exposed, two hot areas with a hand cursor (Install and Exit both just close it here), and exit
   code 0 when the window system asks it to close. */
#include <SDL.h>
#include <stdbool.h>
#include <stdlib.h>

#include "background.h"

static const SDL_Rect kHotAreas[] = {{128, 344, 129, 57}, {384, 344, 121, 57}}; /* Install, Exit */

static bool in_hot_area(int x, int y) {
    SDL_Point p = {x, y};
    for (size_t i = 0; i < sizeof kHotAreas / sizeof kHotAreas[0]; ++i)
        if (SDL_PointInRect(&p, &kHotAreas[i])) return true;
    return false;
}

static void present(SDL_Window* window, SDL_Surface* picture) {
    SDL_BlitSurface(picture, NULL, SDL_GetWindowSurface(window), NULL);
    SDL_UpdateWindowSurface(window);
}

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    uint32_t* pixels = load_background();
    if (!pixels || SDL_Init(SDL_INIT_VIDEO) != 0) {
        SDL_Log("peer_sdl2: %s", pixels ? SDL_GetError() : "no picture");
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("peer_sdl2", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WINDOW_WIDTH,
                         WINDOW_HEIGHT, SDL_WINDOW_BORDERLESS);
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
        pixels, WINDOW_WIDTH, WINDOW_HEIGHT, 32, WINDOW_WIDTH * 4, SDL_PIXELFORMAT_RGB888);
    if (!window || !picture) {
        SDL_Log("peer_sdl2: %s", SDL_GetError());
        return 1;
    }
    SDL_Cursor* hand = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
    SDL_Cursor* arrow = SDL_GetDefaultCursor();
    present(window, picture);

    bool running = true;
    SDL_Event event;
    while (running && SDL_WaitEvent(&event)) {
        if (event.type == SDL_QUIT) {
            running = false;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            present(window, picture);
        } else if (event.type == SDL_MOUSEMOTION) {
            SDL_SetCursor(in_hot_area(event.motion.x, event.motion.y) ? hand : arrow);
        } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
            running = !in_hot_area(event.button.x, event.button.y);
        }
    }
    SDL_FreeCursor(hand);
    SDL_FreeSurface(picture);
    SDL_DestroyWindow(window);
    SDL_Quit();
    free(pixels);
    return 0;
}

#include "scenes/scenes.h"

bool isStillScene(void (*scene)(int32_t, int32_t, int32_t)) {
    return scene == Scene5 || scene == Scene6;
}

void advanceStillClock() {
    sceneTime += 0.1f;
}

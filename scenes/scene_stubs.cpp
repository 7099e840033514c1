// Scenes not drawn yet: each is replaced by its own file as it lands.
#include "scenes/scenes.h"

void Scene1(int32_t, int32_t, int32_t) {}
void Scene2(int32_t, int32_t, int32_t) {}
void Scene3(int32_t, int32_t, int32_t) {}
void Scene4(int32_t, int32_t, int32_t) {}
void Scene5(int32_t, int32_t, int32_t) {}
void Scene6(int32_t, int32_t, int32_t) {}

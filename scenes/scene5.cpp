#include "scenes/scenes.h"

// Not drawn yet: this scene lands with its own issue.
void Scene5(int32_t, int32_t, int32_t) {}

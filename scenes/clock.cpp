#include "scenes/scenes.h"

float sceneTime = 0.0f;

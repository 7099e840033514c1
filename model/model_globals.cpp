// The three demo models and their loaders. Within one file, globals are
// constructed in the order they are defined and destroyed in reverse.
#include "model/model.h"

Loader3ds presentsLoader;
Model presentsModel;
Loader3ds logoLoader;
Model logoModel;
Loader3ds txiringoLoader;
Model txiringoModel;

uint32_t presentsTextures[modelTextureSlots] = {};
uint32_t logoTextures[modelTextureSlots] = {};
uint32_t txiringoTextures[modelTextureSlots] = {};

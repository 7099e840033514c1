#include "model/model.h"

// Not built yet: model drawing lands with the model-drawing issue.
void drawPresentsModel() {}
void drawLogoModel() {}
void drawTxiringoModel() {}

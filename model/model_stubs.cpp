// Model set-up and drawing not built yet: replaced by model_setup.cpp and
// model_draw.cpp as they land.
#include "model/model.h"

void loadPresentsModel() {}
void loadLogoModel() {}
void loadTxiringoModel() {}
void drawPresentsModel() {}
void drawLogoModel() {}
void drawTxiringoModel() {}
